// The drawing operations of the window modes, and ClearDevice.
#include <algorithm>

#include "graph/graph.hpp"
#include "variants.hpp"
#include "window_thread.hpp"

namespace graph {

namespace {

bool InImage(int x, int y) {
  return GraphImage.bits != nullptr && x >= 0 && y >= 0 && x < GraphImage.width &&
         y < GraphImage.height;
}

}  // namespace

void PutPixelWindow(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  x = static_cast<std::int16_t>(x + StartXViewPort);
  y = static_cast<std::int16_t>(y + StartYViewPort);
  if (ClipPixels && (x < StartXViewPort || x > StartXViewPort + ViewWidth || y < StartYViewPort ||
                     y > StartYViewPort + ViewHeight)) {
    return;
  }
  // Once the window is gone nothing is drawn; this also keeps off the
  // palette, which CloseGraph has freed.
  if (!GraphRunning) return;
  // Beyond the palette nothing is drawn.
  if (colour >= Pal.size()) return;
  if (!InImage(x, y)) return;
  DrawPixel(x, y, PixelValue(Pal[colour]));
}

void HLineWindow(std::int16_t x1, std::int16_t x2, std::int16_t y) {
  if (!GraphRunning) return;
  if (x1 > x2) std::swap(x1, x2);
  int left = x1;
  int right = x2;
  if (ClipPixels) {
    if (y < 0 || y > ViewHeight || right < 0 || left > ViewWidth) return;
    left = std::max(left, 0);
    right = std::min(right, static_cast<int>(ViewWidth));
  }
  left += StartXViewPort;
  right += StartXViewPort;
  const int row = y + StartYViewPort;
  if (CurrentColor >= Pal.size()) return;
  if (GraphImage.bits == nullptr || row < 0 || row >= GraphImage.height) return;
  left = std::max(left, 0);
  right = std::min(right, GraphImage.width - 1);
  if (left > right) return;
  DrawRun(left, right, row, PixelValue(Pal[CurrentColor]));
}

void ClearViewPortGeneral() {
  CurrentX = 0;
  CurrentY = 0;
  const std::uint16_t colour = CurrentColor;
  const std::uint16_t writeMode = CurrentWriteMode;
  CurrentColor = CurrentBkColor;
  CurrentWriteMode = 0;
  for (int y = 0; y <= ViewHeight; ++y) HLine(0, ViewWidth, static_cast<std::int16_t>(y));
  CurrentColor = colour;
  CurrentWriteMode = writeMode;
}

void ClearDevice() {
  CurrentX = 0;
  CurrentY = 0;
  const std::int16_t x = StartXViewPort;
  const std::int16_t y = StartYViewPort;
  const std::int16_t width = ViewWidth;
  const std::int16_t height = ViewHeight;
  const bool clip = ClipPixels;
  SetWholeSurfaceViewPort();
  ClearViewPort();
  StartXViewPort = x;
  StartYViewPort = y;
  ViewWidth = width;
  ViewHeight = height;
  ClipPixels = clip;
}

}  // namespace graph
