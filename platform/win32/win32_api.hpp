// <windows.h> for the Win32 backend. It defines macros (PostMessage,
// GetMessage, WM_PAINT, VK_F1, ...) that would rewrite the platform:: names of
// the same spelling, so they are removed here, before the platform headers are
// read. Code of this backend therefore calls the ...A functions by their full
// names and uses the platform:: constants, whose numbers are the system's own.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Function-name macros (A/W selection).
#undef PostMessage
#undef PostThreadMessage
#undef GetMessage
#undef PeekMessage
#undef DispatchMessage
#undef DefWindowProc
#undef MessageBox
#undef SetWindowText
#undef GetWindowText
#undef CreateWindow
#undef RegisterClass
#undef FindWindow
#undef SendMessage

// Message numbers.
#undef WM_CREATE
#undef WM_DESTROY
#undef WM_SIZE
#undef WM_KILLFOCUS
#undef WM_SETTEXT
#undef WM_PAINT
#undef WM_CLOSE
#undef WM_QUIT
#undef WM_ERASEBKGND
#undef WM_NOTIFY
#undef WM_KEYDOWN
#undef WM_KEYUP
#undef WM_CHAR
#undef WM_DEADCHAR
#undef WM_SYSKEYDOWN
#undef WM_SYSKEYUP
#undef WM_SYSCHAR
#undef WM_COMMAND
#undef WM_SYSCOMMAND
#undef WM_TIMER
#undef WM_MOUSEMOVE
#undef WM_LBUTTONDOWN
#undef WM_LBUTTONUP
#undef WM_LBUTTONDBLCLK
#undef WM_RBUTTONDOWN
#undef WM_RBUTTONUP
#undef WM_RBUTTONDBLCLK
#undef WM_MBUTTONDOWN
#undef WM_MBUTTONUP
#undef WM_MBUTTONDBLCLK
#undef WM_DPICHANGED
#undef WM_USER
#undef WM_APP

// Virtual-key codes.
#undef VK_BACK
#undef VK_TAB
#undef VK_CLEAR
#undef VK_RETURN
#undef VK_SHIFT
#undef VK_CONTROL
#undef VK_MENU
#undef VK_PAUSE
#undef VK_CAPITAL
#undef VK_ESCAPE
#undef VK_SPACE
#undef VK_PRIOR
#undef VK_NEXT
#undef VK_END
#undef VK_HOME
#undef VK_LEFT
#undef VK_UP
#undef VK_RIGHT
#undef VK_DOWN
#undef VK_INSERT
#undef VK_DELETE
#undef VK_NUMPAD0
#undef VK_NUMPAD1
#undef VK_NUMPAD2
#undef VK_NUMPAD3
#undef VK_NUMPAD4
#undef VK_NUMPAD5
#undef VK_NUMPAD6
#undef VK_NUMPAD7
#undef VK_NUMPAD8
#undef VK_NUMPAD9
#undef VK_MULTIPLY
#undef VK_ADD
#undef VK_SEPARATOR
#undef VK_SUBTRACT
#undef VK_DECIMAL
#undef VK_DIVIDE
#undef VK_F1
#undef VK_F2
#undef VK_F3
#undef VK_F4
#undef VK_F5
#undef VK_F6
#undef VK_F7
#undef VK_F8
#undef VK_F9
#undef VK_F10
#undef VK_F11
#undef VK_F12
#undef VK_NUMLOCK
#undef VK_LSHIFT
#undef VK_RSHIFT
#undef VK_LCONTROL
#undef VK_RCONTROL
#undef VK_LMENU
#undef VK_RMENU
#undef VK_OEM_PLUS
#undef VK_OEM_MINUS

// Metric indices, styles and show commands.
#undef SM_CXSCREEN
#undef SM_CYSCREEN
#undef SM_CYCAPTION
#undef SM_CXFRAME
#undef SM_CYFRAME
#undef SM_CXFULLSCREEN
#undef SM_CYFULLSCREEN
#undef SM_CXPADDEDBORDER
#undef WS_OVERLAPPEDWINDOW
#undef WS_MAXIMIZE
#undef CW_USEDEFAULT
#undef SW_HIDE
#undef SW_SHOW

#include "platform/window_system.hpp"

namespace platform::win32 {

inline HWND ToHandle(Window window) { return reinterpret_cast<HWND>(window); }
inline Window FromHandle(HWND window) { return reinterpret_cast<Window>(window); }

// Name of the graphics window class; ReleaseThreadWindows looks for it.
inline constexpr char kWindowClassName[] = "FractalsGraphWindow";

}  // namespace platform::win32
