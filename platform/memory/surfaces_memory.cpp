// Drawing surfaces of the in-process window system: the memory image and the
// client area the user would see, each an array of 0x00RRGGBB pixels;
// repaints are driven by update rectangles.
#include <algorithm>
#include <vector>

#include "memory_state.hpp"
#include "platform/memory/memory_control.hpp"

namespace platform {

using memory::TheState;

Image AllocateImage(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  auto* bits =
      new std::uint32_t[static_cast<std::size_t>(width) * static_cast<std::size_t>(height)]();
  return {bits, width, height, width};
}

void FreeImage(Image& image) {
  delete[] image.bits;
  image = {};
}

bool CreateSurfaces(Window window, const Image& image, int scale) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr || image.bits == nullptr || image.width <= 0 || image.height <= 0 ||
      scale < 1 || TheState().failSurfaces) {
    return false;
  }
  record->image = image;
  record->scale = scale;
  record->imageWidth = image.width;
  record->imageHeight = image.height;
  record->surface.assign(static_cast<std::size_t>(std::max(record->clientWidth, 0)) *
                             static_cast<std::size_t>(std::max(record->clientHeight, 0)),
                         0);
  return true;
}

void DestroySurfaces(Window window) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  record->image = {};
  record->imageWidth = 0;
  record->imageHeight = 0;
}

void ShowImage(Window window, Rect rect) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr || record->image.bits == nullptr) return;
  const int s = record->scale;
  const Rect r = Intersect(rect, {0, 0, record->imageWidth, record->imageHeight});
  if (r.empty()) return;
  std::vector<std::uint32_t> row(static_cast<std::size_t>(r.right - r.left));
  for (int y = r.top; y < r.bottom; ++y) {
    ReadPixels(record->image.bits + static_cast<std::ptrdiff_t>(y) * record->image.stride + r.left,
               row.data(), r.right - r.left);
    for (int sy = y * s; sy < std::min((y + 1) * s, record->clientHeight); ++sy) {
      for (int x = r.left; x < r.right; ++x) {
        for (int sx = x * s; sx < std::min((x + 1) * s, record->clientWidth); ++sx) {
          record->surface[static_cast<std::size_t>(sy) * record->clientWidth + sx] =
              row[static_cast<std::size_t>(x - r.left)];
        }
      }
    }
  }
}

namespace memory {

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
  if (record == nullptr || record->image.bits == nullptr || x < 0 || y < 0 ||
      x >= record->imageWidth || y >= record->imageHeight) {
    return NoPixel;
  }
  std::uint32_t pixel = 0;
  ReadPixels(record->image.bits + static_cast<std::ptrdiff_t>(y) * record->image.stride + x, &pixel,
             1);
  return pixel;
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
  if (record == nullptr || record->image.bits == nullptr) return false;
  const int s = record->scale;
  const int width = std::min(record->imageWidth * s, record->clientWidth);
  const int height = std::min(record->imageHeight * s, record->clientHeight);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      ReadPixels(
          record->image.bits + static_cast<std::ptrdiff_t>(y / s) * record->image.stride + x / s,
          &pixel, 1);
      if (record->surface[static_cast<std::size_t>(y) * record->clientWidth + x] != pixel) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace memory

}  // namespace platform
