// State shared by the files of the page's window system. The window is a
// canvas in the page; the page's own script (page/page.js) runs on the main
// browser thread, which alone may touch the page, so every call into the
// page is handed to that thread and waited for. Everything here is used by
// the window thread alone unless it says otherwise.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window_system.hpp"

namespace platform::web {

// --- The graphics window (window_web.cpp) ------------------------------------------

struct GraphWindowRecord {
  Window id = 0;  // 0: no window
  WindowProc proc = nullptr;
  Rect update;                         // needs a repaint (bounding box)
  std::vector<std::uint32_t> staging;  // what the canvas is given: RGBA bytes, opaque
  Image image;                         // the graphics module's, 0x00RRGGBB
};
extern GraphWindowRecord TheWindow;

// Takes the window off the page and forgets it; surfaces included.
void DestroyGraphWindow();

// --- Surfaces (surfaces_web.cpp) -------------------------------------------------------

void ReleaseSurfaces();

// --- Messages (message_queue_web.cpp) --------------------------------------------------

// The calling thread becomes the window thread whose queue posts reach.
void ClaimQueue();
// The window thread ends: posts fail from now on, waiting senders return.
void ReleaseQueue();
// The window that posts, key events and SetWindowText reach; 0 when it is
// gone, which also releases every waiting sender.
void SetPostTarget(Window window);
// Queues a message for the window thread; from the window thread itself.
void QueueFromWindowThread(const Message& message, bool front);
// Adds what the page asks to have repainted to the window's update region.
void TakePageRepaints();

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
