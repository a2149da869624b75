// The graphics window: its class, its creation and its window procedure.
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

// false when the surfaces cannot be made: a window that could only show
// black and drop every pixel is a failed creation.
bool OnCreate(platform::Window window) {
  GraphWindow = window;
  {
    std::lock_guard lock(GraphDrawing);
    // The window black from the start, like the image.
    SurfacesMade = platform::CreateSurfaces(window, GraphImage);
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
    if (SurfacesMade) platform::ShowImage(window, rect);
  }
  platform::EndPaint(window);
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
  const std::uint32_t style = WS_OVERLAPPEDWINDOW | ExtraStyle;
  // Frame and caption as the system draws them for this style (the padded
  // border of newer systems included), around a client area of the mode.
  const int width = MaxX + 1;
  const int height = MaxY + 1;
  const Rect outer = AdjustWindowRect({0, 0, width, height}, style);
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  const Window window =
      CreateGraphWindow(WindowTitle, style, CW_USEDEFAULT, 0, outerWidth, outerHeight);
  if (window == 0) return 0;
  if ((style & WS_MAXIMIZE) == 0) {
    // The frame the window really got may differ still: make up for it.
    const Rect client = GetClientRect(window);
    const int missingX = width - (client.right - client.left);
    const int missingY = height - (client.bottom - client.top);
    if (missingX != 0 || missingY != 0) {
      SetWindowSize(window, outerWidth + missingX, outerHeight + missingY);
    }
  }
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
    case WM_NOTIFY:
      return Route(NotifyMessageHandler, window, message, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
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
