// The cloud turned frame after frame as the frame loop turns it while no key
// is read, and the picture those frames leave, painted by a PutPixel slot of
// its own instead of a window. Everything the program draws is a function of
// the frame number, so "the picture after frame N" is the same on every
// target; tests hash it and end-to-end tests compare screenshots with it.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "app/display.hpp"
#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "golden_frame/fnv1a.hpp"
#include "graph/graph.hpp"

namespace golden {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 600;
// What the frame loop passes for the 800 x 600 window: GetMaxX div 2,
// GetMaxY div 2, and the angles it sets at the top of every frame.
inline constexpr std::int32_t kCentreX = 399;
inline constexpr std::int32_t kCentreY = 299;
inline constexpr float kAngleX = 0.02f;
inline constexpr float kAngleY = 0.01f;
inline constexpr float kAngleZ = 0.01f;

// Palette index of every pixel, row by row, as the frames left it.
inline std::vector<std::uint16_t> picture(kWidth* kHeight);
inline int framesRun = 0;
inline float frameScale = 0;  // the zoom the frames are drawn at
inline void (*savedPutPixel)(std::int16_t, std::int16_t, std::uint16_t) = nullptr;

inline constexpr int kPaletteSize = 256;

// A PutPixel slot that drops what the window's drops: positions off the
// surface and colours beyond the palette.
inline void Paint(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  if (x >= 0 && x < kWidth && y >= 0 && y < kHeight && colour < kPaletteSize)
    picture[y * kWidth + x] = colour;
}

// The scene as the program sets it up and a black picture; PutPixel paints
// the picture (or calls slot, which should paint it) until Stop.
inline void Start(void (*slot)(std::int16_t, std::int16_t, std::uint16_t) = &Paint) {
  app::SetUpScene();
  std::fill(picture.begin(), picture.end(), std::uint16_t{0});
  framesRun = 0;
  frameScale = std::bit_cast<float>(app::kStartScaleBits);
  savedPutPixel = graph::PutPixel;
  graph::PutPixel = slot;
}

inline void Stop() { graph::PutPixel = savedPutPixel; }

// The zoom the program has after steps presses of '=' (of '-' when
// negative); Start sets it to none.
inline void Zoom(int steps) {
  for (; steps > 0; --steps) frameScale = app::ZoomIn(frameScale);
  for (; steps < 0; ++steps) frameScale = app::ZoomOut(frameScale);
}

// One frame at the zoom factor.
inline void Frame() {
  DRAW_AND_CALC(kCentreX, kCentreY, app::points, frameScale, app::pointcount, kAngleX, kAngleY,
                kAngleZ);
  ++framesRun;
}

inline void RunUntilFrame(int n) {
  while (framesRun < n) Frame();
}

// The screen colour (0x00RRGGBB) of a palette index the picture holds, as
// the window shows it.
inline std::uint32_t ScreenColour(std::uint16_t index) {
  return graph::PixelValue(graph::DefaultColors[index]);
}

// The map's 16,000 bytes column by column, as maparr stores them.
inline std::uint64_t MapHash(const maparr& map) {
  Fnv1a h;
  for (const auto& column : map)
    for (std::uint8_t cell : column) h.Add(cell);
  return h.value;
}

// The bit patterns of the cloud's 16,000 points, four floats each, in order.
inline std::uint64_t CloudHash() {
  Fnv1a h;
  for (std::size_t i = 0; i < 4 * static_cast<std::size_t>(app::pointcount); ++i)
    h.AddFloat(app::points[i]);
  return h.value;
}

inline std::uint64_t PictureHash() {
  Fnv1a h;
  for (std::uint16_t index : picture) h.Add16(index);
  return h.value;
}

}  // namespace golden
