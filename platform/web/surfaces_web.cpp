// The memory image and the canvas's copy. Drawing never touches the page:
// the window thread converts the changed rectangle, in the byte order a
// canvas takes, and hands it to the page.
#include <algorithm>
#include <new>

#include "web_backend.hpp"

namespace platform {

namespace web {

namespace {

// 0x00RRGGBB to the bytes R, G, B, 255 as one little-endian word.
constexpr std::uint32_t CanvasPixel(std::uint32_t p) {
  return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

}  // namespace

void ReleaseSurfaces() {
  TheWindow.staging = {};
  TheWindow.image = {};
}

}  // namespace web

using namespace web;

Image AllocateImage(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  auto* bits = new (std::nothrow) std::uint32_t[static_cast<std::size_t>(width) * height]();
  if (bits == nullptr) return {};
  return {bits, width, height, width};
}

void FreeImage(Image& image) {
  delete[] image.bits;
  image = {};
}

bool CreateSurfaces(Window window, const Image& image, int scale) {
  // The page enlarges the canvas itself, by the device pixel ratio.
  if (window == 0 || window != TheWindow.id || image.bits == nullptr || image.width <= 0 ||
      image.height <= 0 || scale != 1) {
    return false;
  }
  ReleaseSurfaces();
  TheWindow.image = image;
  TheWindow.staging.assign(static_cast<std::size_t>(image.width) * image.height, CanvasPixel(0));
  // The canvas starts black (page::CreateWindow); nothing to show yet.
  return true;
}

void DestroySurfaces(Window window) {
  if (window != TheWindow.id) return;
  ReleaseSurfaces();
}

void ShowImage(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.staging.empty()) return;
  rect = Intersect(rect, {0, 0, TheWindow.image.width, TheWindow.image.height});
  if (rect.empty()) return;
  const Image& image = TheWindow.image;
  std::uint32_t* row = nullptr;
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::uint32_t* from = image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
    row = TheWindow.staging.data() + static_cast<std::ptrdiff_t>(y) * image.width;
    ReadPixels(from + rect.left, row + rect.left, rect.right - rect.left);
    for (int x = rect.left; x < rect.right; ++x) row[x] = CanvasPixel(row[x]);
  }
  // The page copies the rectangle before this returns, so what it shows is
  // the image as it stood now.
  page::Present(TheWindow.staging.data(), TheWindow.image.width, rect);
}

}  // namespace platform
