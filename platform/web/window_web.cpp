// The graphics window in the page: a canvas of the client area's size,
// captioned by the page's title and heading; screen metrics; default handling
// and destruction.
#include "platform/shared/window_model.hpp"
#include "web_backend.hpp"

namespace platform {

namespace web {

GraphWindowRecord TheWindow;

namespace {

Window NextWindow = 1;
FatalErrorHandler FatalHandler = nullptr;

}  // namespace

void DestroyGraphWindow() {
  if (TheWindow.id == 0) return;
  PageWindow = 0;
  ReleaseSurfaces();
  page::DestroyWindow();
  TheWindow = {};
}

namespace {

void ReleaseWindow(Window window) {
  if (window != 0 && window == TheWindow.id) DestroyGraphWindow();
}

void SetCaption(Window window, const char* text) {
  if (window != 0 && window == TheWindow.id) page::SetCaption(text);
}

}  // namespace

}  // namespace web

const shared::BackendHooks& shared::Backend() {
  static constexpr BackendHooks hooks = {
      .destroyWindow = web::ReleaseWindow,
      .setCaption = web::SetCaption,
  };
  return hooks;
}

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

// No frame and no caption bar: the outer rectangle is the client area.
Rect AdjustWindowRect(Rect client, std::uint32_t) { return client; }

// The canvas keeps the size it was made with; the page has nothing to
// resize it to.
void SetWindowSize(Window, int, int) {}

bool RegisterWindowClass(WindowProc proc) {
  shared::SetClassProc(proc);
  return proc != nullptr;
}

Window CreateGraphWindow(const char* caption, std::uint32_t, int, int, int width, int height) {
  if (shared::ClassProc() == nullptr || TheWindow.id != 0 || width <= 0 || height <= 0) return 0;
  // Frames are 0 here, so the outer size is the client area.
  if (!page::CreateWindow(width, height)) return 0;
  const Window id = NextWindow++;
  TheWindow.id = id;
  page::SetCaption(caption != nullptr ? caption : "");
  PageWindow = id;
  return shared::AddWindow(id, width, height);
}

void ShowWindow(Window window, int command) {
  if (window == 0 || window != TheWindow.id) return;
  shared::SetVisible(window, command != 0);
  page::ShowWindow(command != 0);
}

// The page has no Close command to grey: closing the tab ends the page, and
// the page says so.
void GreyCloseCommand(Window) {}

// The page is the one window system of its build.
const char* ChooseWindowSystem() { return nullptr; }

// Nothing in the page fails beyond repair while the page lives; the handler
// is kept for the interface's sake.
void SetFatalErrorHandler(FatalErrorHandler handler) { FatalHandler = handler; }

}  // namespace platform
