// State shared by the files of the page's window system. The window is a
// canvas in the page; the page's own script (page/page.js) runs on the main
// browser thread, which alone may touch the page, so every call into the
// page is handed to that thread and waited for. Everything here is used by
// the window thread alone unless it says otherwise.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/window_system.hpp"

namespace platform::web {

// --- The graphics window (window_web.cpp) ------------------------------------------

struct GraphWindowRecord {
  Window id = 0;                       // 0: no window
  std::vector<std::uint32_t> staging;  // what the canvas is given: RGBA bytes, opaque
  Image image;                         // the graphics module's, 0x00RRGGBB
};
extern GraphWindowRecord TheWindow;

// Takes the window off the page and forgets it; surfaces included.
void DestroyGraphWindow();

// --- Surfaces (surfaces_web.cpp) -------------------------------------------------------

void ReleaseSurfaces();

// The window the page's key events and repaints go to; 0 while there is
// none. Any thread.
extern std::atomic<Window> PageWindow;

// --- The page (page_web.cpp) -----------------------------------------------------------
// Each call runs on the main browser thread and returns when it is done.
namespace page {
// Readies the canvas at width x height, black and hidden; false when the
// page cannot draw into it.
bool CreateWindow(int width, int height);
void ShowWindow(bool shown);
void DestroyWindow();
// The caption: the page's title and its heading.
void SetCaption(const char* text);
// Puts rect of an RGBA image (stride in pixels) on the canvas.
void Present(const std::uint32_t* rgba, int stride, Rect rect);
// screen.width and the like, in CSS pixels.
int ScreenMetric(int index);
// Opens the page's message box; the page calls fractals_web_box_dismissed
// with id when it is closed.
void ShowMessageBox(int id, const char* text, const char* caption);
}  // namespace page

}  // namespace platform::web
