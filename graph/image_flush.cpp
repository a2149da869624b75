// Drawn pixels reach the window in batches: drawing marks the changed
// rectangle and posts one flush; the window thread waits for a pause in the
// drawing (or a few milliseconds at most), copies that rectangle out of the
// image under the lock and shows it without the lock, so the drawing thread
// never waits for the transfer to the screen.
#include <algorithm>
#include <chrono>
#include <thread>

#include "window_thread.hpp"

namespace graph {

platform::Image GraphImage;

namespace {

platform::Rect Dirty;       // changed since the last flush; GraphDrawing
bool FlushPending = false;  // a flush message is on its way; GraphDrawing
std::uint32_t Marks = 0;    // counts drawing calls; GraphDrawing

// Copying while the drawing thread writes makes both fight over the lock and
// the image's cache lines, so a flush waits until drawing has been quiet for
// QuietTime, but never longer than MaxDelay: during a frame the window still
// catches up every few milliseconds, and after it at once.
constexpr auto QuietTime = std::chrono::microseconds(300);
constexpr auto MaxDelay = std::chrono::milliseconds(4);

// Pixels copied out of the image per hold of the lock.
constexpr int BandPixels = 32 * 1024;

std::uint32_t ReadMarks() {
  std::lock_guard lock(GraphDrawing);
  return Marks;
}

void WaitForPause() {
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t seen = ReadMarks();
  for (;;) {
    std::this_thread::sleep_for(QuietTime);
    const std::uint32_t now = ReadMarks();
    if (now == seen || std::chrono::steady_clock::now() - start >= MaxDelay) return;
    seen = now;
  }
}

bool Mark(int left, int right, int top) {
  ++Marks;
  if (Dirty.empty()) {
    Dirty = {left, top, right, top + 1};
  } else {
    Dirty.left = std::min(Dirty.left, left);
    Dirty.right = std::max(Dirty.right, right);
    Dirty.top = std::min(Dirty.top, top);
    Dirty.bottom = std::max(Dirty.bottom, top + 1);
  }
  if (FlushPending) return false;
  FlushPending = true;
  return true;
}

}  // namespace

bool DrawPixelLocked(int x, int y, std::uint32_t pixel) {
  GraphImage.bits[static_cast<std::ptrdiff_t>(y) * GraphImage.stride + x] = pixel;
  return Mark(x, x + 1, y);
}

bool DrawRunLocked(int x1, int x2, int y, std::uint32_t pixel) {
  std::uint32_t* row = GraphImage.bits + static_cast<std::ptrdiff_t>(y) * GraphImage.stride;
  std::fill(row + x1, row + x2 + 1, pixel);
  return Mark(x1, x2 + 1, y);
}

void PostFlush() { platform::PostMessage(GraphWindow.load(), WM_GRAPHFLUSH, 0, 0); }

void FlushToWindow(platform::Window window) {
  WaitForPause();
  platform::Rect rect;
  int width = 0;
  {
    std::lock_guard lock(GraphDrawing);
    rect = Dirty;
    Dirty = {};
    FlushPending = false;
    if (rect.empty() || GraphImage.bits == nullptr) return;
    width = rect.right - rect.left;
  }
  // Band by band, so that drawing never waits for more than a short copy.
  // What is drawn meanwhile has marked the next flush.
  const int bandRows = std::max(1, BandPixels / width);
  for (int top = rect.top; top < rect.bottom; top += bandRows) {
    std::lock_guard lock(GraphDrawing);
    if (GraphImage.bits == nullptr) return;
    platform::CopyToStaging(window,
                            {rect.left, top, rect.right, std::min(top + bandRows, rect.bottom)});
  }
  platform::PresentStaging(window, rect);
}

void ResetFlush() {
  Dirty = {};
  FlushPending = false;
}

}  // namespace graph
