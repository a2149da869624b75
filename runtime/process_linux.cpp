#include <errno.h>
#include <link.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

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

// Static TLS of the executable: reading it takes neither heap nor lock.
thread_local StackBounds threadStack;

void* RunServiceThread(void* body) {
  reinterpret_cast<void (*)()>(body)();
  return nullptr;
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

StackBounds CurrentThreadStack() { return threadStack; }

void NoteThreadStack() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
  void* low = nullptr;
  std::size_t size = 0;
  if (pthread_attr_getstack(&attr, &low, &size) == 0) {
    threadStack.low = reinterpret_cast<std::uintptr_t>(low);
    threadStack.high = threadStack.low + size;
  }
  pthread_attr_destroy(&attr);
}

bool ConsoleTakesErrorOutput() { return platform::ErrorOutputIsCharacterDevice(); }

namespace {

void WriteAll(const char* text, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(STDERR_FILENO, text, length);
    if (written < 0 && errno == EINTR) continue;
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

[[noreturn]] void EndProcess(std::uint16_t code) { std::_Exit(code); }

bool StartServiceThread(void (*body)(), bool quiet) {
  sigset_t blocked;
  sigfillset(&blocked);
  if (!quiet) {
    // The thread runs code that may fault: its faults stay reportable.
    for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigdelset(&blocked, fault);
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_attr_setsigmask_np(&attr, &blocked);
  pthread_t thread;
  const bool started =
      pthread_create(&thread, &attr, RunServiceThread, reinterpret_cast<void*>(body)) == 0;
  pthread_attr_destroy(&attr);
  return started;
}

void EndProcessNow(std::uint16_t exitCode) { _exit(exitCode); }

}  // namespace runtime
