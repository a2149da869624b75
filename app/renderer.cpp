#include "app/renderer.hpp"

#include <cmath>

#include "graph/graph.hpp"

namespace {

using ext = long double;

// Round to nearest, ties to even, in the rounding mode the program keeps; a
// value outside the 64-bit range traps as an invalid operation.
inline std::int64_t R(ext v) { return std::llrint(v); }

// The low 16 bits read as a signed number.
inline std::int16_t W(std::int64_t s) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(s)));
}

// Screen position of a coordinate: the product of two floats is exact in the
// extended format, so R rounds it once.
inline std::int16_t Project(std::int32_t centre, float scale, float coordinate) {
  return W(static_cast<std::int64_t>(centre) + R(static_cast<ext>(scale) * coordinate));
}

constexpr std::int64_t kHidden = 15;  // colour value of grid points that never escape

}  // namespace

void DRAW_AND_CALC(std::int32_t centrex, std::int32_t centrey, tpixelarr& points, float scale,
                   std::int32_t count, float anglex, float angley, float anglez) {
  const ext cX = std::cos(static_cast<ext>(anglex));
  const ext sX = std::sin(static_cast<ext>(anglex));
  const ext cY = std::cos(static_cast<ext>(angley));
  const ext sY = std::sin(static_cast<ext>(angley));
  const ext cZ = std::cos(static_cast<ext>(anglez));
  const ext sZ = std::sin(static_cast<ext>(anglez));

  for (std::int32_t i = 0; i < count; ++i) {
    float* const p = &points[4 * static_cast<std::size_t>(i)];
    const std::int64_t colour = R(p[3]);
    if (colour == kHidden) continue;

    graph::PutPixel(Project(centrex, scale, p[0]), Project(centrey, scale, p[1]), 0);

    // Each rotation works in extended precision on the floats the previous
    // one stored, and rounds once as it stores.
    const float y1 = static_cast<float>(static_cast<ext>(p[1]) * cX - static_cast<ext>(p[2]) * sX);
    const float z1 = static_cast<float>(static_cast<ext>(p[1]) * sX + static_cast<ext>(p[2]) * cX);
    p[1] = y1;
    p[2] = z1;
    const float x1 = static_cast<float>(static_cast<ext>(p[0]) * cY - static_cast<ext>(z1) * sY);
    const float z2 = static_cast<float>(static_cast<ext>(p[0]) * sY + static_cast<ext>(z1) * cY);
    p[0] = x1;
    p[2] = z2;
    const float x2 = static_cast<float>(static_cast<ext>(x1) * cZ - static_cast<ext>(y1) * sZ);
    const float y2 = static_cast<float>(static_cast<ext>(x1) * sZ + static_cast<ext>(y1) * cZ);
    p[0] = x2;
    p[1] = y2;

    graph::PutPixel(Project(centrex, scale, x2), Project(centrey, scale, y2),
                    static_cast<std::uint16_t>(colour + 64));
  }
}
