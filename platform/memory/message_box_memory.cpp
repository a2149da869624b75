// Message boxes are recorded instead of shown, and copied to standard error so
// that a test watching another process can see them.
#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/memory/memory_control.hpp"
#include "platform/window_system.hpp"

namespace platform {

namespace {
std::mutex boxesLock;
std::vector<memory::ShownMessageBox> boxes;
std::atomic<bool> errorOutputIsCharacterDevice{false};
}  // namespace

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  const char* shownCaption = caption != nullptr ? caption : "";
  std::fprintf(stderr, "[%s] %s", shownCaption, text);
  {
    std::lock_guard lock(boxesLock);
    boxes.push_back({shownCaption, text});
  }
  if (shown != nullptr) shown();
}

bool ErrorOutputIsCharacterDevice() { return errorOutputIsCharacterDevice.load(); }

namespace memory {

std::vector<ShownMessageBox> MessageBoxes() {
  std::lock_guard lock(boxesLock);
  return boxes;
}

void ClearMessageBoxes() {
  std::lock_guard lock(boxesLock);
  boxes.clear();
}

void SetErrorOutputIsCharacterDevice(bool isCharacterDevice) {
  errorOutputIsCharacterDevice.store(isCharacterDevice);
}

}  // namespace memory

}  // namespace platform
