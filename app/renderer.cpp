#include "app/renderer.hpp"

#include <cstring>

#include "frame_ahead.hpp"
#include "graph/graph.hpp"
#include "point_math.hpp"

namespace {

using app::ExtendedOps;

std::uint32_t Bits(float f) { return __builtin_bit_cast(std::uint32_t, f); }

// Whether the point worked out ahead started from the bits p holds now.
bool StartedFrom(const app::frame_ahead::Point& ahead, const float* p) {
  std::uint32_t now[4];
  std::memcpy(now, p, sizeof now);
  return std::memcmp(now, ahead.from, sizeof now) == 0;
}

}  // namespace

void DRAW_AND_CALC(std::int32_t centrex, std::int32_t centrey, tpixelarr& points, float scale,
                   std::int32_t count, float anglex, float angley, float anglez) {
  namespace ahead = app::frame_ahead;
  ExtendedOps ops;
  const app::Turns<ExtendedOps> turns = app::TurnsOf(ops, anglex, angley, anglez);

  const ahead::Frame frame{centrex,      centrey,      count,       Bits(scale),
                           Bits(anglex), Bits(angley), Bits(anglez)};
  const ahead::Point* worked = nullptr;
  const std::int32_t ready = ahead::enabled ? ahead::Finish(frame, worked) : 0;

  for (std::int32_t i = 0; i < count; ++i) {
    float* const p = &points[4 * static_cast<std::size_t>(i)];
    if (i < ready && worked[i].outcome != ahead::Outcome::kLeft && StartedFrom(worked[i], p)) {
      const ahead::Point& w = worked[i];
      if (w.outcome == ahead::Outcome::kHidden) continue;
      graph::PutPixel(w.erase[0], w.erase[1], 0);
      std::memcpy(p, w.turned, sizeof w.turned);
      graph::PutPixel(w.plot[0], w.plot[1], w.colour);
      continue;
    }

    const std::int64_t colour = app::Colour(ops, p[3]);
    if (colour == app::kHidden) continue;

    graph::PutPixel(app::Project(ops, centrex, scale, p[0]),
                    app::Project(ops, centrey, scale, p[1]), 0);
    float x = p[0];
    float y = p[1];
    float z = p[2];
    app::TurnAll(ops, turns, x, y, z);
    p[0] = x;
    p[1] = y;
    p[2] = z;
    graph::PutPixel(app::Project(ops, centrex, scale, x), app::Project(ops, centrey, scale, y),
                    static_cast<std::uint16_t>(colour + 64));
  }

  if (ahead::enabled) ahead::Begin(frame, points.data());
}
