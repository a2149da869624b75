#include <utility>

#include "win32_api.hpp"

namespace platform {

namespace {

// The caller's notice for the box being shown, and the hook that sees it
// come up: the box is activated once it is on the screen, its modal loop
// running.
void (*pendingShown)() = nullptr;
HHOOK boxHook = nullptr;

LRESULT CALLBACK WatchBoxActivation(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && pendingShown != nullptr) {
    void (*shown)() = pendingShown;
    pendingShown = nullptr;
    shown();
  }
  return CallNextHookEx(boxHook, code, wParam, lParam);
}

}  // namespace

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  if (shown == nullptr) {
    MessageBoxA(nullptr, text, caption, MB_OK);
    return;
  }
  // One box of this kind at a time: only the end of the process asks.
  pendingShown = shown;
  boxHook = SetWindowsHookExA(WH_CBT, WatchBoxActivation, nullptr, GetCurrentThreadId());
  // Without the hook there is no telling: the box counts as up from the start.
  if (boxHook == nullptr) std::exchange(pendingShown, nullptr)();
  MessageBoxA(nullptr, text, caption, MB_OK);
  if (boxHook != nullptr) UnhookWindowsHookEx(boxHook);
  boxHook = nullptr;
  pendingShown = nullptr;
}

bool ErrorOutputIsCharacterDevice() {
  const HANDLE errorOutput = GetStdHandle(STD_ERROR_HANDLE);
  return errorOutput != nullptr && errorOutput != INVALID_HANDLE_VALUE &&
         GetFileType(errorOutput) == FILE_TYPE_CHAR;
}

}  // namespace platform
