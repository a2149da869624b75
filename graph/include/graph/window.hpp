// What other modules see of the graphics window: its handle and the hooks its
// window procedure routes messages to. The window thread itself stays inside
// the graphics module.
#pragma once

#include <atomic>

#include "platform/window_system.hpp"

namespace graph {

using MessageHook = platform::LRESULT (*)(platform::Window window, platform::UINT message,
                                          platform::WPARAM wParam, platform::LPARAM lParam);
using CreationHook = void (*)();

// Hooks the window procedure routes messages to; null: swallowed. Set before
// the window thread starts and cleared at exit, read on the window thread.
// WM_KEYDOWN, WM_KEYUP, WM_CHAR, and WM_KILLFOCUS, after which no key-up
// comes for the keys held.
extern std::atomic<MessageHook> CharMessageHandler;
extern std::atomic<MessageHook> MouseMessageHandler;     // WM_LBUTTONDOWN .. WM_MBUTTONDBLCLK
extern std::atomic<MessageHook> CommandMessageHandler;   // WM_COMMAND
extern std::atomic<MessageHook> NotifyMessageHandler;    // WM_NOTIFY
extern std::atomic<CreationHook> OnGraphWindowCreation;  // end of WM_CREATE

// The graphics window while it exists, else 0. Any thread.
extern std::atomic<platform::Window> GraphWindow;

}  // namespace graph
