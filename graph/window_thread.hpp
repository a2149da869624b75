// The graphics window's own thread: the window, its memory image, the message
// loop, the window procedure with its hooks, and the hand-shakes with
// InitGraph and CloseGraph.
#pragma once

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>

#include "graph/window.hpp"
#include "platform/window_system.hpp"

namespace graph {

inline constexpr const char* WindowTitle = "Graph window application";

// Posted to the window when drawn pixels wait to be shown.
inline constexpr platform::UINT WM_GRAPHFLUSH = platform::WM_APP + 1;

inline constexpr std::uint32_t STILL_ACTIVE = 259;

extern std::atomic<platform::ThreadId> MessageThreadID;
// The window thread's exit code: STILL_ACTIVE while it runs, then 0, or 1
// when the window could not be registered or created.
extern std::atomic<std::uint32_t> MessageThreadExitCode;
// Guards the frame hand-over between the drawing thread and the window
// thread, and the surfaces' lifetime.
extern std::mutex GraphDrawing;
// True from the window's first repaint until its destruction. Written by the
// window thread under GraphDrawing; read anywhere.
extern std::atomic<bool> GraphRunning;
// Set when the process ends from the window thread: the window is hidden and
// its procedure only takes the default handling, touching no lock and no
// surface. Window thread.
extern std::atomic<bool> WindowLeftToTheEnd;
// WS_MAXIMIZE for the screen-filling modes 245 to 249, else 0.
extern std::uint32_t ExtraStyle;

// Body of the window thread.
std::uint32_t MessageHandleThread();
bool WinRegister();
platform::Window WinCreate();
// The window procedure. Window thread.
platform::LRESULT WindowProcGraph(platform::Window window, platform::UINT message,
                                  platform::WPARAM wParam, platform::LPARAM lParam);

// Starts the window thread for the selected mode and waits until the window
// has been painted once (true) or the thread has ended (false).
bool StartWindowThread();
// Ends the window thread and waits for it: true. Called on the window thread
// itself (an error raised there runs the exit chain), it lets the thread go
// instead: false, and the program thread may still be drawing.
bool StopWindowThread();

// The memory image: (MaxX + 1) x (MaxY + 1) pixels, made when the window
// thread starts and freed by CloseGraph once that thread has ended, so
// drawing never writes into freed memory. bits null while there is none.
extern platform::Image GraphImage;
void AllocateImage(int width, int height);
void FreeImage();
// The window system's surfaces for the image exist (WM_CREATE to
// WM_DESTROY). Window thread, GraphDrawing held.
extern bool SurfacesMade;
// The window shows each pixel of the image as a WindowScale x WindowScale
// block. Window thread.
extern int WindowScale;

// No change yet: a rectangle that any union replaces.
inline constexpr platform::Rect NoChange{INT_MAX, INT_MAX, INT_MIN, INT_MIN};

// The drawing thread has drawn since its last pause (written under
// GraphDrawing), and a flush of it is on its way.
extern std::atomic<bool> FrameOpen;
extern std::atomic<bool> FlushPending;
// What the drawing thread changed since its last pause. Drawing thread only.
extern platform::Rect FrameDirty;

// The first drawing after a pause, or after a flush that could not wait for
// one: opens the frame and posts its flush. Drawing thread.
void OpenFrame();

// Writes one pixel, (x, y) inside the image. Drawing thread.
inline void DrawPixel(int x, int y, std::uint32_t pixel) {
  if (!FrameOpen.load(std::memory_order_relaxed) || !FlushPending.load(std::memory_order_relaxed)) {
    OpenFrame();
  }
  platform::StorePixel(GraphImage.bits + static_cast<std::ptrdiff_t>(y) * GraphImage.stride + x,
                       pixel);
  // Most pixels of a frame fall inside what it changed already: tests
  // rather than stores.
  if (x < FrameDirty.left) FrameDirty.left = x;
  if (x >= FrameDirty.right) FrameDirty.right = x + 1;
  if (y < FrameDirty.top) FrameDirty.top = y;
  if (y >= FrameDirty.bottom) FrameDirty.bottom = y + 1;
}

// Writes pixels x1 to x2 of row y, inside the image. Drawing thread.
inline void DrawRun(int x1, int x2, int y, std::uint32_t pixel) {
  if (!FrameOpen.load(std::memory_order_relaxed) || !FlushPending.load(std::memory_order_relaxed)) {
    OpenFrame();
  }
  std::uint32_t* row = GraphImage.bits + static_cast<std::ptrdiff_t>(y) * GraphImage.stride;
  for (int x = x1; x <= x2; ++x) platform::StorePixel(row + x, pixel);
  FrameDirty.left = std::min(FrameDirty.left, x1);
  FrameDirty.right = std::max(FrameDirty.right, x2 + 1);
  FrameDirty.top = std::min(FrameDirty.top, y);
  FrameDirty.bottom = std::max(FrameDirty.bottom, y + 1);
}

// Takes GraphDrawing once the drawing thread pauses, or after a wait that
// drawing without pauses cut short (paused false). Window thread.
std::unique_lock<std::mutex> LockAtPause(bool& paused);
// Asks the window thread to show what was drawn. Any thread.
void PostFlush();
// Shows the changed part of the image in the window. Window thread.
void FlushToWindow(platform::Window window);
// Forgets pending changes (the surfaces are new or gone). GraphDrawing held.
void ResetFlush();

// Sets GraphRunning and wakes the start-up wait. Window thread, GraphDrawing
// held.
void AnnounceRunning();

// The graphics module's exit step.
void GraphExitProc();

}  // namespace graph
