// The graphics window's X window under Wine, watched from the window thread.
#pragma once

#include "win32_api.hpp"

namespace platform::win32 {

// Window thread: starts looking at the window's X window, where there is one.
void WatchHostWindow(HWND window);

// Window thread, from the class procedure: true when the message was the
// watch's own (then handled); destroys the window once its X window is gone.
bool OnHostWindowWatch(HWND window, ::UINT message, ::WPARAM wParam);

}  // namespace platform::win32
