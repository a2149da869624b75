// The graphics window: its class, its creation and its window procedure.
#include <algorithm>

#include "graph/graph.hpp"
#include "window_thread.hpp"

namespace graph {

std::atomic<MessageHook> CharMessageHandler{nullptr};
std::atomic<MessageHook> MouseMessageHandler{nullptr};
std::atomic<MessageHook> CommandMessageHandler{nullptr};
std::atomic<MessageHook> NotifyMessageHandler{nullptr};
std::atomic<CreationHook> OnGraphWindowCreation{nullptr};

namespace {

using platform::LPARAM;
using platform::LRESULT;
using platform::UINT;
using platform::WPARAM;

LRESULT Route(const std::atomic<MessageHook>& hook, platform::Window window, UINT message,
              WPARAM wParam, LPARAM lParam) {
  const MessageHook handler = hook.load();
  return handler != nullptr ? handler(window, message, wParam, lParam) : 0;
}

// Window thread alone: the window got through WM_CREATE, so its WM_DESTROY
// has a message loop to end.
bool WindowCreated = false;

// Dots per inch of a display that shows every pixel as it is.
constexpr int kDotsPerStep = 96;
// Past any display there is; keeps a display's odd claim from costing time.
constexpr int kMostScale = 16;

std::uint32_t WindowStyle() { return platform::WS_OVERLAPPEDWINDOW | ExtraStyle; }

// The outer rectangle of a window whose client area shows the image at
// scale: frame and caption as the system draws them for this style (the
// padded border of newer systems included).
platform::Rect OuterRect(int scale, std::uint32_t style) {
  return platform::AdjustWindowRect({0, 0, (MaxX + 1) * scale, (MaxY + 1) * scale}, style);
}

// The largest factor up to wanted whose whole window fits the screen; 1 when
// none larger does.
int FittingScale(int wanted, std::uint32_t style) {
  using namespace platform;
  for (int scale = std::min(wanted, kMostScale); scale > 1; --scale) {
    const Rect outer = OuterRect(scale, style);
    if (outer.right - outer.left <= GetSystemMetrics(SM_CXSCREEN) &&
        outer.bottom - outer.top <= GetSystemMetrics(SM_CYSCREEN)) {
      return scale;
    }
  }
  return 1;
}

// Makes the client area exactly the image at WindowScale: sizes the window
// to outer when resize says so, then makes up for a frame the window really
// got that differs from what AdjustWindowRect says.
void MatchClientToImage(platform::Window window, platform::Rect outer, bool resize) {
  using namespace platform;
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  if (resize) SetWindowSize(window, outerWidth, outerHeight);
  const Rect client = GetClientRect(window);
  const int missingX = (MaxX + 1) * WindowScale - (client.right - client.left);
  const int missingY = (MaxY + 1) * WindowScale - (client.bottom - client.top);
  if (missingX != 0 || missingY != 0) {
    SetWindowSize(window, outerWidth + missingX, outerHeight + missingY);
  }
}

// The pixels of the image a part of the window shows.
platform::Rect ImageRectOf(platform::Rect window) {
  const int s = WindowScale;
  return {window.left / s, window.top / s, (window.right + s - 1) / s, (window.bottom + s - 1) / s};
}

// false when the surfaces cannot be made: a window that could only show
// black and drop every pixel is a failed creation.
bool OnCreate(platform::Window window) {
  GraphWindow = window;
  {
    std::lock_guard lock(GraphDrawing);
    // The window black from the start, like the image.
    SurfacesMade = platform::CreateSurfaces(window, GraphImage, WindowScale);
    ResetFlush();
    if (GraphImage.bits == nullptr || !SurfacesMade) return false;
  }
  WindowCreated = true;
  if (const CreationHook hook = OnGraphWindowCreation.load()) hook();
  return true;
}

void OnPaint(platform::Window window) {
  platform::Rect rect;
  if (!platform::GetUpdateRect(window, rect)) return;
  rect = platform::BeginPaint(window);
  {
    // A repaint, too, shows the image as it stands between two frames.
    bool paused = false;
    const std::unique_lock lock = LockAtPause(paused);
    if (!GraphRunning) AnnounceRunning();
    if (SurfacesMade) platform::ShowImage(window, ImageRectOf(rect));
  }
  platform::EndPaint(window);
}

// The window moved to a display of another resolution: the picture takes
// the factor that display asks for, as far as the screen has room.
void OnDisplayScaleChanged(platform::Window window, int dotsPerInch) {
  using namespace platform;
  const std::uint32_t style = WindowStyle();
  if ((style & WS_MAXIMIZE) != 0) return;
  const int scale = FittingScale(std::max(1, dotsPerInch / kDotsPerStep), style);
  const int before = WindowScale;
  WindowScale = scale;
  // The frame is drawn at the new resolution too: the window is sized anew
  // even where the picture keeps its factor.
  MatchClientToImage(window, OuterRect(scale, style), true);
  if (scale == before) return;
  {
    bool paused = false;
    const std::unique_lock lock = LockAtPause(paused);
    if (!SurfacesMade) return;
    DestroySurfaces(window);
    SurfacesMade = CreateSurfaces(window, GraphImage, scale);
    if (!SurfacesMade) {
      // Keep showing the picture at the factor it had.
      WindowScale = before;
      SurfacesMade = CreateSurfaces(window, GraphImage, before);
    }
    ResetFlush();
    if (SurfacesMade) ShowImage(window, {0, 0, GraphImage.width, GraphImage.height});
  }
  if (WindowScale != scale) MatchClientToImage(window, OuterRect(WindowScale, style), true);
}

void OnDestroy(platform::Window window) {
  {
    std::lock_guard lock(GraphDrawing);
    GraphRunning = false;
    if (SurfacesMade) platform::DestroySurfaces(window);
    SurfacesMade = false;
    ResetFlush();
  }
  // After a failed WM_CREATE there is no loop to end, and a quit message
  // left in the queue would close the failure box at once.
  if (WindowCreated) platform::PostQuitMessage(0);
  WindowCreated = false;
}

}  // namespace

bool WinRegister() { return platform::RegisterWindowClass(WindowProcGraph); }

platform::Window WinCreate() {
  using namespace platform;
  const std::uint32_t style = WindowStyle();
  // A screen-filling mode is the screen's own size already.
  WindowScale = (style & WS_MAXIMIZE) != 0 ? 1 : FittingScale(DisplayScale(0), style);
  const Rect outer = OuterRect(WindowScale, style);
  const Window window = CreateGraphWindow(WindowTitle, style, CW_USEDEFAULT, 0,
                                          outer.right - outer.left, outer.bottom - outer.top);
  if (window == 0) return 0;
  if ((style & WS_MAXIMIZE) == 0) MatchClientToImage(window, outer, false);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

LRESULT WindowProcGraph(platform::Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace platform;
  if (WindowLeftToTheEnd) return DefWindowProc(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      return OnCreate(window) ? 0 : -1;
    case WM_DESTROY:
      OnDestroy(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_GRAPHFLUSH:
      FlushToWindow(window);
      return 0;
    case WM_DPICHANGED:
      OnDisplayScaleChanged(window, static_cast<int>(wParam & 0xFFFF));
      return 0;
    case WM_NOTIFY:
      return Route(NotifyMessageHandler, window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_KILLFOCUS:
      return Route(CharMessageHandler, window, message, wParam, lParam);
    case WM_COMMAND:
      return Route(CommandMessageHandler, window, message, wParam, lParam);
    default:
      if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) {
        return Route(MouseMessageHandler, window, message, wParam, lParam);
      }
      return DefWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace graph
