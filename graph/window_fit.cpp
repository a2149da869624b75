// The scale that fits: what the display asks for, as far as the monitor's
// work area has room for the whole window, frame included.
#include "window_fit.hpp"

#include <algorithm>

#include "graph/graph.hpp"

namespace graph {

namespace {

// Past any display there is; keeps a display's odd claim from costing time.
constexpr int kMostScale = 16;

int Width(platform::Rect r) { return r.right - r.left; }
int Height(platform::Rect r) { return r.bottom - r.top; }

}  // namespace

platform::Rect OuterRect(int scale, std::uint32_t style) {
  return platform::AdjustWindowRect({0, 0, (MaxX + 1) * scale, (MaxY + 1) * scale}, style);
}

int FittingScale(int wanted, std::uint32_t style, platform::Window window) {
  using namespace platform;
  if (wanted <= 1) return 1;
  const Rect area = WorkArea(window);
  const Rect frame = WindowManagerFrame(window);
  for (int scale = std::min(wanted, kMostScale); scale > 1; --scale) {
    const Rect outer = OuterRect(scale, style);
    if (Width(outer) + frame.left + frame.right <= Width(area) &&
        Height(outer) + frame.top + frame.bottom <= Height(area)) {
      return scale;
    }
  }
  return 1;
}

platform::Rect PlaceWithin(platform::Rect outer, platform::Rect near, platform::Rect area) {
  const int width = Width(outer);
  const int height = Height(outer);
  int left = near.left + (Width(near) - width) / 2;
  int top = near.top + (Height(near) - height) / 2;
  left = std::max(std::min(left, area.right - width), area.left);
  top = std::max(std::min(top, area.bottom - height), area.top);
  return {left, top, left + width, top + height};
}

}  // namespace graph
