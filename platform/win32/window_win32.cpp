// The graphics window class and window over user32.
#include <cstring>

#include "win32_api.hpp"

namespace platform {

namespace {

// The procedure the core registered. Written once, before the class exists,
// and read by the trampoline on the window thread only.
WindowProc registeredProc = nullptr;

// The system calls the class procedure with its own calling convention;
// this hands each message on to the core's procedure unchanged.
LRESULT CALLBACK ClassWindowProc(HWND window, ::UINT message, ::WPARAM wParam, ::LPARAM lParam) {
  if (registeredProc == nullptr) {
    return ::DefWindowProcA(window, message, wParam, lParam);
  }
  return registeredProc(win32::FromHandle(window), message, wParam, lParam);
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

Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height) {
  HWND window = ::CreateWindowExA(0, win32::kWindowClassName, caption, style, x, y, width, height,
                                  nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  return win32::FromHandle(window);
}

Rect AdjustWindowRect(Rect client, std::uint32_t style) {
  RECT rect{client.left, client.top, client.right, client.bottom};
  ::AdjustWindowRectEx(&rect, style, FALSE, 0);
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

void ShowWindow(Window window, int command) { ::ShowWindow(win32::ToHandle(window), command); }

void UpdateWindow(Window window) { ::UpdateWindow(win32::ToHandle(window)); }

void ReleaseThreadWindows() { ::EnumThreadWindows(::GetCurrentThreadId(), &DestroyGraphWindow, 0); }

}  // namespace platform
