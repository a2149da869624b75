// Under Wine the graphics window is an X window too, and another X client
// can destroy that one (xkill, a window manager's "destroy"). Wine then
// forgets it and tells the Win32 window nothing: the window is gone from
// the screen while the program draws on. The window thread looks at it now
// and then and, once it is gone, destroys the Win32 window as the default
// handling of WM_CLOSE would, so the program ends as after a close.
//
// On Windows itself nothing outside the program can destroy the window
// without a message: the watch is not started there.
#include "host_window_watch_win32.hpp"

#include "win32_api.hpp"

namespace platform::win32 {

namespace {

// The timer's identifier on the graphics window, and how often it looks.
constexpr UINT_PTR kWatchTimer = 0x4657;
constexpr UINT kWatchMs = 100;
constexpr ::UINT kTimerMessage = 0x0113;  // WM_TIMER, whose macro win32_api.hpp removes

// The property in which Wine's X11 driver keeps the window's X window; it
// removes it when that window is destroyed from outside.
constexpr char kHostWindowProperty[] = "__wine_x11_whole_window";

// Window thread alone: the X window was seen, so its absence means it went.
bool hostWindowSeen = false;

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

void WatchHostWindow(HWND window) {
  static const bool underWine = UnderWine();
  // Wine makes the X window with the Win32 one: it may go before the first look.
  hostWindowSeen = window != nullptr && ::GetPropA(window, kHostWindowProperty) != nullptr;
  if (window != nullptr && underWine) ::SetTimer(window, kWatchTimer, kWatchMs, nullptr);
}

bool OnHostWindowWatch(HWND window, ::UINT message, ::WPARAM wParam) {
  if (message != kTimerMessage || wParam != kWatchTimer) return false;
  const bool present = ::GetPropA(window, kHostWindowProperty) != nullptr;
  if (present) {
    hostWindowSeen = true;
  } else if (hostWindowSeen) {
    hostWindowSeen = false;
    ::KillTimer(window, kWatchTimer);
    ::DestroyWindow(window);
  }
  return true;
}

}  // namespace platform::win32
