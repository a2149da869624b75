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

void OnCreate(platform::Window window) {
  GraphWindow = window;
  {
    std::lock_guard lock(GraphDrawing);
    // The window black from the start, like the image.
    SurfacesMade = platform::CreateSurfaces(window, GraphImage);
    ResetFlush();
  }
  if (const CreationHook hook = OnGraphWindowCreation.load()) hook();
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
  platform::PostQuitMessage(0);
}

}  // namespace

bool WinRegister() { return platform::RegisterWindowClass(WindowProcGraph); }

platform::Window WinCreate() {
  using namespace platform;
  const Window window = CreateGraphWindow(
      WindowTitle, WS_OVERLAPPEDWINDOW | ExtraStyle, CW_USEDEFAULT, 0,
      MaxX + 1 + 2 * GetSystemMetrics(SM_CXFRAME),
      MaxY + 1 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  if (window == 0) return 0;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  return window;
}

LRESULT WindowProcGraph(platform::Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  using namespace platform;
  switch (message) {
    case WM_CREATE:
      OnCreate(window);
      return 0;
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
