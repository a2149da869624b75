// Drawing surfaces of the in-process window system: the memory image, its
// staging copy and the client area the user would see, each an array of
// 0x00RRGGBB pixels; repaints are driven by update rectangles.
#include <algorithm>

#include "memory_state.hpp"
#include "platform/memory/memory_control.hpp"

namespace platform {

using memory::TheState;

namespace {

Rect Intersect(Rect a, Rect b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

void CopyRect(const std::vector<std::uint32_t>& from, int fromStride,
              std::vector<std::uint32_t>& to, int toStride, Rect r) {
  if (r.empty()) return;
  for (int y = r.top; y < r.bottom; ++y) {
    const auto source = from.begin() + static_cast<std::ptrdiff_t>(y) * fromStride;
    std::copy(source + r.left, source + r.right,
              to.begin() + static_cast<std::ptrdiff_t>(y) * toStride + r.left);
  }
}

}  // namespace

Image CreateSurfaces(Window window, int width, int height) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr || width <= 0 || height <= 0 || TheState().failSurfaces) return {};
  const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  record->image.assign(pixels, 0);
  record->staging.assign(pixels, 0);
  record->imageWidth = width;
  record->imageHeight = height;
  record->surface.assign(static_cast<std::size_t>(std::max(record->clientWidth, 0)) *
                             static_cast<std::size_t>(std::max(record->clientHeight, 0)),
                         0);
  return {record->image.data(), width, height, width};
}

void DestroySurfaces(Window window) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  record->image = {};
  record->staging = {};
  record->imageWidth = 0;
  record->imageHeight = 0;
}

void CopyToStaging(Window window, Rect rect) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  CopyRect(record->image, record->imageWidth, record->staging, record->imageWidth,
           Intersect(rect, {0, 0, record->imageWidth, record->imageHeight}));
}

void PresentStaging(Window window, Rect rect) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  const Rect shown = Intersect(Intersect(rect, {0, 0, record->imageWidth, record->imageHeight}),
                               {0, 0, record->clientWidth, record->clientHeight});
  CopyRect(record->staging, record->imageWidth, record->surface, record->clientWidth, shown);
}

bool GetUpdateRect(Window window, Rect& rect) {
  std::lock_guard lock(TheState().lock);
  const memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr || record->update.empty()) return false;
  rect = record->update;
  return true;
}

Rect BeginPaint(Window window) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return {};
  const Rect rect = record->update;
  record->update = {};
  // Like the class's black background brush: the part beyond the image
  // is erased before the window procedure paints.
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (x >= record->imageWidth || y >= record->imageHeight) {
        record->surface[static_cast<std::size_t>(y) * record->clientWidth + x] = 0;
      }
    }
  }
  return rect;
}

void EndPaint(Window) {}

namespace memory {

void InvalidateLocked(WindowRecord& record, Rect r) {
  r = Intersect(r, {0, 0, record.clientWidth, record.clientHeight});
  if (r.empty()) return;
  if (record.update.empty()) {
    record.update = r;
  } else {
    record.update = {std::min(record.update.left, r.left), std::min(record.update.top, r.top),
                     std::max(record.update.right, r.right),
                     std::max(record.update.bottom, r.bottom)};
  }
  TheState().changed.notify_all();
}

void InvalidateRect(Window window, Rect rect) {
  std::lock_guard lock(TheState().lock);
  if (WindowRecord* record = FindWindowRecord(window)) InvalidateLocked(*record, rect);
}

void SpoilSurface(Window window, Rect rect, std::uint32_t pixel) {
  std::lock_guard lock(TheState().lock);
  WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || record->surface.empty()) return;
  const Rect r = Intersect(rect, {0, 0, record->clientWidth, record->clientHeight});
  for (int y = r.top; y < r.bottom; ++y) {
    std::fill_n(
        record->surface.begin() + static_cast<std::ptrdiff_t>(y) * record->clientWidth + r.left,
        r.right - r.left, pixel);
  }
}

std::uint32_t ImagePixel(Window window, int x, int y) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || x < 0 || y < 0 || x >= record->imageWidth || y >= record->imageHeight) {
    return NoPixel;
  }
  return record->image[static_cast<std::size_t>(y) * record->imageWidth + x];
}

std::uint32_t SurfacePixel(Window window, int x, int y) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || record->surface.empty() || x < 0 || y < 0 || x >= record->clientWidth ||
      y >= record->clientHeight) {
    return NoPixel;
  }
  return record->surface[static_cast<std::size_t>(y) * record->clientWidth + x];
}

bool SurfaceShowsImage(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  if (record == nullptr || record->image.empty()) return false;
  const int width = std::min(record->imageWidth, record->clientWidth);
  const int height = std::min(record->imageHeight, record->clientHeight);
  for (int y = 0; y < height; ++y) {
    const auto image = record->image.begin() + static_cast<std::ptrdiff_t>(y) * record->imageWidth;
    const auto surface =
        record->surface.begin() + static_cast<std::ptrdiff_t>(y) * record->clientWidth;
    if (!std::equal(image, image + width, surface)) return false;
  }
  return true;
}

}  // namespace memory

}  // namespace platform
