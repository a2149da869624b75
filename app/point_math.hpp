// One point's arithmetic, written once for the two ways the renderer
// computes it: in extended values whose faults end the program where they
// happen (ExtendedOps), and in the software operations with their faults
// gathered (GatheringOps), for work done ahead on another thread, where a
// point that faults is left to be done again in its turn.
#pragma once

#include <cstdint>

#include "extended/extended.hpp"

namespace app {

struct ExtendedOps {
  using Value = extended::Extended;
  FRACTALS_EXTENDED_INLINE static Value FromFloat(float f) { return extended::FromFloat(f); }
  FRACTALS_EXTENDED_INLINE static Value MulFloat(float f, Value v) {
    return extended::MulFloat(f, v);
  }
  FRACTALS_EXTENDED_INLINE static Value MulFloats(float f, float g) {
    return extended::MulFloats(f, g);
  }
  FRACTALS_EXTENDED_INLINE static Value Add(Value a, Value b) { return a + b; }
  FRACTALS_EXTENDED_INLINE static Value Sub(Value a, Value b) { return a - b; }
  FRACTALS_EXTENDED_INLINE static float ToFloat(Value v) { return extended::ToFloat(v); }
  // Round to nearest, ties to even; a value outside the 64-bit range is an
  // invalid operation.
  FRACTALS_EXTENDED_INLINE static std::int64_t Round(Value v) { return extended::RoundToInt64(v); }
  FRACTALS_EXTENDED_INLINE static Value Cos(float x) { return extended::Cos(x); }
  FRACTALS_EXTENDED_INLINE static Value Sin(float x) { return extended::Sin(x); }
};

struct GatheringOps {
  using Value = extended::soft::Value;
  unsigned flags = 0;
  FRACTALS_EXTENDED_INLINE Value FromFloat(float f) { return extended::soft::FromFloat(f, flags); }
  FRACTALS_EXTENDED_INLINE Value MulFloat(float f, Value v) {
    return extended::soft::MulFloat(f, v, flags);
  }
  FRACTALS_EXTENDED_INLINE Value MulFloats(float f, float g) {
    return extended::soft::MulFloats(f, g, flags);
  }
  FRACTALS_EXTENDED_INLINE Value Add(Value a, Value b) { return extended::soft::Add(a, b, flags); }
  FRACTALS_EXTENDED_INLINE Value Sub(Value a, Value b) { return extended::soft::Sub(a, b, flags); }
  FRACTALS_EXTENDED_INLINE float ToFloat(Value v) { return extended::soft::ToFloat(v, flags); }
  FRACTALS_EXTENDED_INLINE std::int64_t Round(Value v) { return extended::soft::ToInt64(v, flags); }
  Value Cos(float x) { return extended::soft::Cos(x, flags); }
  Value Sin(float x) { return extended::soft::Sin(x, flags); }
};

// The cosines and sines of the frame's three angles.
template <class Ops>
struct Turns {
  typename Ops::Value cX, sX, cY, sY, cZ, sZ;
};

template <class Ops>
Turns<Ops> TurnsOf(Ops& ops, float anglex, float angley, float anglez) {
  return {ops.Cos(anglex), ops.Sin(anglex), ops.Cos(angley),
          ops.Sin(angley), ops.Cos(anglez), ops.Sin(anglez)};
}

inline constexpr std::int64_t kHidden = 15;  // colour value of grid points that never escape

// The low 16 bits read as a signed number.
inline std::int16_t W(std::int64_t s) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(s)));
}

template <class Ops>
FRACTALS_EXTENDED_INLINE std::int64_t Colour(Ops& ops, float value) {
  return ops.Round(ops.FromFloat(value));
}

// Screen position of a coordinate: the product of two floats is exact in the
// extended format, so it is rounded once.
// scale stays a float: an extended value held across the PutPixel calls
// would go through memory in 80 bits twice per point.
template <class Ops>
FRACTALS_EXTENDED_INLINE std::int16_t Project(Ops& ops, std::int32_t centre, float scale,
                                              float coordinate) {
  return W(static_cast<std::int64_t>(centre) + ops.Round(ops.MulFloats(scale, coordinate)));
}

// (a, b) turned by the angle whose cosine and sine are c and s: a*c - b*s
// and a*s + b*c, each computed in the extended format from the floats a and
// b held before the turn, and rounded once as it is stored.
template <class Ops>
FRACTALS_EXTENDED_INLINE void Turn(Ops& ops, float& a, float& b, typename Ops::Value c,
                                   typename Ops::Value s) {
  const float turnedA = ops.ToFloat(ops.Sub(ops.MulFloat(a, c), ops.MulFloat(b, s)));
  const float turnedB = ops.ToFloat(ops.Add(ops.MulFloat(a, s), ops.MulFloat(b, c)));
  a = turnedA;
  b = turnedB;
}

// Each rotation works in extended precision on the floats the previous one
// stored, and rounds once as it stores: about X, then Y, then Z.
template <class Ops>
FRACTALS_EXTENDED_INLINE void TurnAll(Ops& ops, const Turns<Ops>& t, float& x, float& y, float& z) {
  Turn(ops, y, z, t.cX, t.sX);
  Turn(ops, x, z, t.cY, t.sY);
  Turn(ops, x, y, t.cZ, t.sZ);
}

}  // namespace app
