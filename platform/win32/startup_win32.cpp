// Screen metrics, caption and system menu, over user32.
#include "win32_api.hpp"

namespace platform {

namespace {

// Windows has no lost display connection; the handler is kept, never called.
FatalErrorHandler fatalErrorHandler = nullptr;

}  // namespace

// The one window system of the Windows build.
const char* ChooseWindowSystem() { return nullptr; }

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

void SetWindowText(Window window, const char* text) {
  if (window == 0) {
    return;
  }
  // A sent WM_SETTEXT: returns once the window thread has handled it.
  ::SetWindowTextA(win32::ToHandle(window), text);
}

void GreyCloseCommand(Window window) {
  if (window == 0) {
    return;
  }
  HMENU menu = ::GetSystemMenu(win32::ToHandle(window), FALSE);
  if (menu != nullptr) {
    ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  }
}

void SetFatalErrorHandler(FatalErrorHandler handler) { fatalErrorHandler = handler; }

}  // namespace platform
