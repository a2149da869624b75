// Drawn pixels reach the window a frame at a time. The drawing thread writes
// the memory image without taking a lock per pixel (each pixel is one atomic
// word, so no copy ever reads half of one) and notes the changed rectangle
// for itself; when it pauses (Delay, waiting for a key, CloseGraph) it hands
// the rectangle over. The window thread copies out of the image only while
// drawing is paused, and the drawing thread cannot start the next frame while
// the copy runs: the window shows whole frames. Drawing that never pauses is
// still shown, whole image at a time, after MaxWait.
#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>

#include "window_thread.hpp"

namespace graph {

platform::Image GraphImage;
std::atomic<bool> FrameOpen{false};
std::atomic<bool> FlushPending{false};
platform::Rect FrameDirty = NoChange;

namespace {

std::condition_variable DrawingPaused;  // with GraphDrawing
platform::Rect Dirty = NoChange;        // handed over at pauses; GraphDrawing

// Long enough for any frame of the program, however the machine is loaded;
// short enough that drawing without pauses still shows.
constexpr auto MaxWait = std::chrono::milliseconds(50);

platform::Rect Union(platform::Rect a, platform::Rect b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

platform::Rect WholeImage() { return {0, 0, GraphImage.width, GraphImage.height}; }

}  // namespace

void AllocateImage(int width, int height) {
  GraphImage = platform::AllocateImage(width, height);
  FrameOpen = false;
  FlushPending = false;
  FrameDirty = NoChange;
}

void FreeImage() { platform::FreeImage(GraphImage); }

void OpenFrame() {
  bool post = false;
  {
    std::lock_guard lock(GraphDrawing);
    FrameOpen.store(true, std::memory_order_relaxed);
    post = !FlushPending.exchange(true, std::memory_order_relaxed);
  }
  if (post) PostFlush();
}

void PauseDrawing() {
  if (!FrameOpen.load(std::memory_order_relaxed)) return;
  bool post = false;
  {
    std::lock_guard lock(GraphDrawing);
    Dirty = Union(Dirty, FrameDirty);
    FrameDirty = NoChange;
    FrameOpen.store(false, std::memory_order_relaxed);
    post = !Dirty.empty() && !FlushPending.exchange(true, std::memory_order_relaxed);
  }
  DrawingPaused.notify_all();
  if (post) PostFlush();
}

std::unique_lock<std::mutex> LockAtPause(bool& paused) {
  std::unique_lock lock(GraphDrawing);
  paused = DrawingPaused.wait_for(lock, MaxWait,
                                  [] { return !FrameOpen.load(std::memory_order_relaxed); });
  return lock;
}

void PostFlush() { platform::PostMessage(GraphWindow.load(), WM_GRAPHFLUSH, 0, 0); }

void FlushToWindow(platform::Window window) {
  bool paused = false;
  const std::unique_lock lock = LockAtPause(paused);
  // Still drawing: what it changed so far is its own, so all of it.
  const platform::Rect rect = paused ? Dirty : WholeImage();
  Dirty = NoChange;
  FlushPending.store(false, std::memory_order_relaxed);
  if (!rect.empty() && SurfacesMade) platform::ShowImage(window, rect);
}

void ResetFlush() {
  Dirty = NoChange;
  FlushPending.store(false, std::memory_order_relaxed);
}

}  // namespace graph
