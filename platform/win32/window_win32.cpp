// The graphics window class and window over user32.
#include <algorithm>
#include <cstring>

#include "host_window_watch_win32.hpp"
#include "win32_api.hpp"

namespace platform {

namespace {

// The procedure the core registered. Written once, before the class exists,
// and read by the trampoline on the window thread only.
WindowProc registeredProc = nullptr;

// The system calls the class procedure with its own calling convention;
// this hands each message on to the core's procedure unchanged.
LRESULT CALLBACK ClassWindowProc(HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (win32::OnHostWindowWatch(window, message, wParam)) return 0;
  if (registeredProc == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return registeredProc(win32::FromHandle(window), message, wParam, lParam);
}

// The graphics window once made; the window thread's.
HWND graphWindow = nullptr;

// The per-monitor resolution calls of Windows 10 and later, looked up so that
// older systems still start the program.
using GetDpiForWindowFn = ::UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = ::UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, ::UINT);

template <typename Fn>
Fn User32Function(const char* name) {
  HMODULE user32 = ::GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return nullptr;
  // Through the one function type the compiler lets any other cast to.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

// Dots per inch of the window's display, or of the system's for none.
::UINT DotsPerInch(HWND window) {
  static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  static const auto forSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
  if (window != nullptr && forWindow != nullptr) {
    if (const ::UINT dpi = forWindow(window); dpi != 0) return dpi;
  }
  if (forSystem != nullptr) return forSystem();
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<::UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

BOOL CALLBACK DestroyGraphWindow(HWND window, ::LPARAM) {
  char className[sizeof win32::kWindowClassName + 1] = {};
  ::GetClassNameA(window, className, sizeof className);
  if (std::strcmp(className, win32::kWindowClassName) == 0) {
    // The core has already run its destruction steps (or the window was
    // destroyed from outside); a second WM_DESTROY must not reach it.
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&::DefWindowProcA));
    ::DestroyWindow(window);
  }
  return TRUE;
}

}  // namespace

bool RegisterWindowClass(WindowProc proc) {
  registeredProc = proc;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = &ClassWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
  windowClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = win32::kWindowClassName;
  return ::RegisterClassA(&windowClass) != 0;
}

int DisplayScale(Window window) {
  return std::max(1,
                  static_cast<int>(DotsPerInch(win32::ToHandle(window)) / USER_DEFAULT_SCREEN_DPI));
}

Rect WorkArea(Window window) {
  // A new window of CW_USEDEFAULT opens on the primary monitor, whose top
  // left is the origin.
  HMONITOR monitor = window != 0
                         ? ::MonitorFromWindow(win32::ToHandle(window), MONITOR_DEFAULTTONEAREST)
                         : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || ::GetMonitorInfoA(monitor, &info) == 0) {
    return {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

// The outer rectangle holds all of the frame Windows draws.
Rect WindowManagerFrame(Window) { return {}; }

Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height) {
  HWND window = ::CreateWindowExA(0, win32::kWindowClassName, caption, style, x, y, width, height,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  graphWindow = window;
  win32::WatchHostWindow(window);
  return win32::FromHandle(window);
}

Rect AdjustWindowRect(Rect client, std::uint32_t style) {
  static const auto forDpi = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  RECT rect{client.left, client.top, client.right, client.bottom};
  // Frame and caption as large as the display the window is on (or opens
  // on) draws them.
  if (forDpi == nullptr || forDpi(&rect, style, FALSE, 0, DotsPerInch(graphWindow)) == 0) {
    rect = RECT{client.left, client.top, client.right, client.bottom};
    ::AdjustWindowRectEx(&rect, style, FALSE, 0);
  }
  return {rect.left, rect.top, rect.right, rect.bottom};
}

Rect GetClientRect(Window window) {
  RECT rect{};
  ::GetClientRect(win32::ToHandle(window), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void SetWindowSize(Window window, int width, int height) {
  ::SetWindowPos(win32::ToHandle(window), nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetWindowRect(Window window, Rect outer) {
  ::SetWindowPos(win32::ToHandle(window), nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowWindow(Window window, int command) { ::ShowWindow(win32::ToHandle(window), command); }

void UpdateWindow(Window window) { ::UpdateWindow(win32::ToHandle(window)); }

void ReleaseThreadWindows() {
  ::EnumThreadWindows(::GetCurrentThreadId(), &DestroyGraphWindow, 0);
  graphWindow = nullptr;
}

}  // namespace platform
