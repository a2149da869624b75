// The graphics window in the page: a canvas of the client area's size,
// captioned by the page's title and heading; screen metrics; default handling
// and destruction.
#include "web_backend.hpp"

namespace platform {

namespace web {

GraphWindowRecord TheWindow;

namespace {

WindowProc ClassProc = nullptr;
Window NextWindow = 1;
FatalErrorHandler FatalHandler = nullptr;
int ClientWidth = 0;
int ClientHeight = 0;

}  // namespace

void DestroyGraphWindow() {
  if (TheWindow.id == 0) return;
  SetPostTarget(0);
  ReleaseSurfaces();
  page::DestroyWindow();
  TheWindow = {};
}

}  // namespace web

using namespace web;

// The canvas is shown crisp at the device pixel ratio by the page itself:
// its pixels are the picture's.
int DisplayScale(Window) { return 1; }

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CYFULLSCREEN:
      return page::ScreenMetric(index);
    default:
      // The page draws no frame and no caption bar around the canvas.
      return 0;
  }
}

// The page's canvas is all a window may take; nothing draws around it.
Rect WorkArea(Window) {
  return {0, 0, page::ScreenMetric(SM_CXSCREEN), page::ScreenMetric(SM_CYSCREEN)};
}
Rect WindowManagerFrame(Window) { return {}; }

// No frame and no caption bar: the outer rectangle is the client area.
Rect AdjustWindowRect(Rect client, std::uint32_t) { return client; }

Rect GetClientRect(Window window) {
  if (window == 0 || window != TheWindow.id) return {0, 0, 0, 0};
  return {0, 0, ClientWidth, ClientHeight};
}

// The canvas keeps the size it was made with; the page has nothing to
// resize it to.
void SetWindowSize(Window, int, int) {}
void SetWindowRect(Window, Rect) {}

bool RegisterWindowClass(WindowProc proc) {
  ClassProc = proc;
  return proc != nullptr;
}

Window CreateGraphWindow(const char* caption, std::uint32_t, int, int, int width, int height) {
  ClaimQueue();
  if (ClassProc == nullptr || TheWindow.id != 0 || width <= 0 || height <= 0) return 0;
  // Frames are 0 here, so the outer size is the client area.
  if (!page::CreateWindow(width, height)) return 0;
  const Window id = NextWindow++;
  TheWindow.id = id;
  ClientWidth = width;
  ClientHeight = height;
  TheWindow.proc = ClassProc;
  page::SetCaption(caption != nullptr ? caption : "");
  // A new window is wholly invalid, so its first UpdateWindow paints it.
  TheWindow.update = {0, 0, width, height};
  SetPostTarget(id);
  if (TheWindow.proc(id, WM_CREATE, 0, 0) == -1) {
    TheWindow.proc(id, WM_DESTROY, 0, 0);
    DestroyGraphWindow();
    return 0;
  }
  return id;
}

void ShowWindow(Window window, int command) {
  if (window == 0 || window != TheWindow.id) return;
  page::ShowWindow(command != 0);
}

void UpdateWindow(Window window) {
  if (window == 0 || window != TheWindow.id || TheWindow.update.empty()) return;
  TheWindow.proc(window, WM_PAINT, 0, 0);
}

LRESULT DefWindowProc(Window window, UINT message, WPARAM, LPARAM lParam) {
  if (window == 0 || window != TheWindow.id) return 0;
  switch (message) {
    case WM_CLOSE:
      // Destroying the window: its procedure hears WM_DESTROY first.
      TheWindow.proc(window, WM_DESTROY, 0, 0);
      DestroyGraphWindow();
      return 0;
    case WM_SETTEXT:
      page::SetCaption(reinterpret_cast<const char*>(lParam));
      return 1;
    case WM_PAINT:
      // A paint nobody handled still validates the window.
      TheWindow.update = {};
      return 0;
    default:
      return 0;
  }
}

void ReleaseThreadWindows() {
  DestroyGraphWindow();
  ReleaseQueue();
}

// Nothing in the page fails beyond repair while the page lives; the handler
// is kept for the interface's sake.
void SetFatalErrorHandler(FatalErrorHandler handler) { FatalHandler = handler; }

}  // namespace platform
