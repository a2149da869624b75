#include "app/renderer.hpp"

#include "extended/extended.hpp"
#include "graph/graph.hpp"

namespace {

using extended::Extended;
using extended::FromFloat;
using extended::ToFloat;

// Round to nearest, ties to even; a value outside the 64-bit range is an
// invalid operation.
inline std::int64_t R(Extended v) { return extended::RoundToInt64(v); }

// The low 16 bits read as a signed number.
inline std::int16_t W(std::int64_t s) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(s)));
}

// Screen position of a coordinate: the product of two floats is exact in the
// extended format, so R rounds it once.
// scale stays a float: an extended value held across the PutPixel calls
// would go through memory in 80 bits twice per point.
FRACTALS_EXTENDED_INLINE std::int16_t Project(std::int32_t centre, float scale, float coordinate) {
  return W(static_cast<std::int64_t>(centre) + R(extended::MulFloats(scale, coordinate)));
}

// (a, b) turned by the angle whose cosine and sine are c and s: a*c - b*s
// and a*s + b*c, each computed in the extended format from the floats a and
// b held before the turn, and rounded once as it is stored.
FRACTALS_EXTENDED_INLINE void Turn(float& a, float& b, Extended c, Extended s) {
  using extended::MulFloat;
  const float turnedA = ToFloat(MulFloat(a, c) - MulFloat(b, s));
  const float turnedB = ToFloat(MulFloat(a, s) + MulFloat(b, c));
  a = turnedA;
  b = turnedB;
}

constexpr std::int64_t kHidden = 15;  // colour value of grid points that never escape

}  // namespace

void DRAW_AND_CALC(std::int32_t centrex, std::int32_t centrey, tpixelarr& points, float scale,
                   std::int32_t count, float anglex, float angley, float anglez) {
  const Extended cX = extended::Cos(anglex);
  const Extended sX = extended::Sin(anglex);
  const Extended cY = extended::Cos(angley);
  const Extended sY = extended::Sin(angley);
  const Extended cZ = extended::Cos(anglez);
  const Extended sZ = extended::Sin(anglez);

  for (std::int32_t i = 0; i < count; ++i) {
    float* const p = &points[4 * static_cast<std::size_t>(i)];
    const std::int64_t colour = R(FromFloat(p[3]));
    if (colour == kHidden) continue;

    graph::PutPixel(Project(centrex, scale, p[0]), Project(centrey, scale, p[1]), 0);

    // Each rotation works in extended precision on the floats the previous
    // one stored, and rounds once as it stores: about X, then Y, then Z.
    float x = p[0];
    float y = p[1];
    float z = p[2];
    Turn(y, z, cX, sX);
    Turn(x, z, cY, sY);
    Turn(x, y, cZ, sZ);
    p[0] = x;
    p[1] = y;
    p[2] = z;

    graph::PutPixel(Project(centrex, scale, x), Project(centrey, scale, y),
                    static_cast<std::uint16_t>(colour + 64));
  }
}
