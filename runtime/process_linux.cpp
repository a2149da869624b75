#include <link.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "os.hpp"
#include "platform/line_ends.hpp"
#include "platform/window_system.hpp"

namespace runtime {

namespace {

int TakeLoadBias(dl_phdr_info* info, std::size_t /*size*/, void* data) {
  // The executable comes first.
  *static_cast<std::uintptr_t*>(data) = info->dlpi_addr;
  return 1;
}

}  // namespace

std::uintptr_t CodeBase() {
  // The load bias, not the image's first address: for a fixed-address
  // executable it is 0, so addresses stay those of the file either way.
  static const std::uintptr_t base = [] {
    std::uintptr_t bias = 0;
    dl_iterate_phdr(TakeLoadBias, &bias);
    return bias;
  }();
  return base;
}

StackBounds CurrentThreadStack() {
  StackBounds bounds;
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return bounds;
  void* low = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attr, &low, &size) == 0) {
    bounds.low = reinterpret_cast<std::uintptr_t>(low);
    bounds.high = bounds.low + size;
  }
  pthread_attr_destroy(&attr);
  return bounds;
}

bool ConsoleTakesErrorOutput() { return platform::ErrorOutputIsCharacterDevice(); }

namespace {

void WriteAll(const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(STDERR_FILENO, text, length);
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void WriteToConsole(const char* text, std::int32_t length) {
  if (length <= 0) return;
  platform::WriteWithLinuxLineEnds(text, static_cast<std::size_t>(length), WriteAll);
}

}  // namespace runtime
