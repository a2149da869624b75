// The memory image and its staging copy. Drawing never touches the page: the
// window thread converts the changed rectangle into the staging copy, in the
// byte order a canvas takes, and hands it to the page.
#include <algorithm>

#include "web_backend.hpp"

namespace platform {

namespace web {

namespace {

// 0x00RRGGBB to the bytes R, G, B, 255 as one little-endian word.
constexpr std::uint32_t CanvasPixel(std::uint32_t p) {
  return 0xFF000000u | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

Rect ClipToImage(Rect rect) {
  rect.left = std::max(rect.left, 0);
  rect.top = std::max(rect.top, 0);
  rect.right = std::min(rect.right, TheWindow.image.width);
  rect.bottom = std::min(rect.bottom, TheWindow.image.height);
  return rect;
}

}  // namespace

void ReleaseSurfaces() {
  TheWindow.pixels = {};
  TheWindow.staging = {};
  TheWindow.image = {};
}

}  // namespace web

using namespace web;

Image CreateSurfaces(Window window, int width, int height) {
  if (window == 0 || window != TheWindow.id || width <= 0 || height <= 0) return {};
  ReleaseSurfaces();
  const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  TheWindow.pixels.assign(pixels, 0);
  TheWindow.staging.assign(pixels, CanvasPixel(0));
  TheWindow.image = {TheWindow.pixels.data(), width, height, width};
  // The canvas starts black (page::CreateWindow); nothing to show yet.
  return TheWindow.image;
}

void DestroySurfaces(Window window) {
  if (window != TheWindow.id) return;
  ReleaseSurfaces();
}

void CopyToStaging(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.staging.empty()) return;
  rect = ClipToImage(rect);
  if (rect.empty()) return;
  const Image& image = TheWindow.image;
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::uint32_t* from = image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
    std::uint32_t* to = TheWindow.staging.data() + static_cast<std::ptrdiff_t>(y) * image.width;
    for (int x = rect.left; x < rect.right; ++x) to[x] = CanvasPixel(from[x]);
  }
}

void PresentStaging(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.staging.empty()) return;
  rect = ClipToImage(rect);
  if (rect.empty()) return;
  // The page copies the rectangle before this returns, so the next copy
  // into the staging image cannot tear what it shows.
  page::Present(TheWindow.staging.data(), TheWindow.image.width, rect);
}

bool GetUpdateRect(Window window, Rect& rect) {
  if (window == 0 || window != TheWindow.id) return false;
  rect = TheWindow.update;
  return !rect.empty();
}

Rect BeginPaint(Window window) {
  if (window == 0 || window != TheWindow.id) return {};
  const Rect rect = TheWindow.update;
  TheWindow.update = {};
  return rect;
}

void EndPaint(Window) {}

}  // namespace platform
