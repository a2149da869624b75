// The next frame's arithmetic, worked out by a thread of its own while the
// program pauses between frames. Where the extended format is computed in
// software (the page, aarch64) the arithmetic is most of a frame; done in
// the pause, it leaves the program thread little more than its PutPixel
// calls, in the same order as ever.
//
// Only what the thread was given counts: each point keeps the bits it was
// worked out from, and the frame its centre, scale and angles, so a point
// or frame that changed meanwhile is computed again in its turn; so is a
// point whose arithmetic faults, so that the fault ends the program at the
// program's own code, after the points before it, as it always has.
#pragma once

#include <cstdint>

namespace app::frame_ahead {

// What a frame is computed from, besides its points.
struct Frame {
  std::int32_t centrex;
  std::int32_t centrey;
  std::int32_t count;
  std::uint32_t scale;  // the float bits
  std::uint32_t anglex;
  std::uint32_t angley;
  std::uint32_t anglez;
  bool operator==(const Frame&) const = default;
};

enum class Outcome : std::uint8_t {
  kLeft,    // not worked out: computed in its turn
  kHidden,  // never touched
  kDrawn,   // erased at erase, turned, drawn at plot in colour
};

// One point of the next frame.
struct Point {
  std::uint32_t from[4];  // the point's bits as it was handed over
  float turned[3];
  std::int16_t erase[2];
  std::int16_t plot[2];
  std::uint16_t colour;
  Outcome outcome;
};

// Whether the renderer works ahead: where the arithmetic is in software.
extern bool enabled;

// Stops the work handed over after the last frame and says how many of its
// first points are worked out for frame (0 where it was given another
// frame); points then holds them until Begin.
std::int32_t Finish(const Frame& frame, const Point*& points);

// Hands the thread the next frame: frame's count points of cloud, copied as
// they stand now. Without a thread (none could be made) nothing is done.
void Begin(const Frame& frame, const float* cloud);

// Whether the work last handed over has ended (tests).
bool Idle();

}  // namespace app::frame_ahead
