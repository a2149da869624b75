// The extended format in integer arithmetic, for targets whose long double
// is not the x87 format and whose floating-point unit cannot trap: each
// operation checks the exceptions it raised and ends the program with the
// runtime error the x87 trap would have given.
#pragma once

#include <cstdint>

namespace extended {

inline constexpr bool kSoftware = true;

struct Extended {
  soft::Value v;
};

// The checks stay inline and cheap; the error path is out of line. The
// operation runs first, as a statement of its own: its flags are read after.
FRACTALS_EXTENDED_INLINE void Check(unsigned flags) {
  if (flags != 0) [[unlikely]]
    RaiseFault(flags);
}

FRACTALS_EXTENDED_INLINE Extended FromFloat(float f) {
  unsigned flags = 0;
  const soft::Value v = soft::FromFloat(f, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended FromInt(std::int32_t i) { return Extended{soft::FromInt(i)}; }
FRACTALS_EXTENDED_INLINE Extended operator+(Extended a, Extended b) {
  unsigned flags = 0;
  const soft::Value v = soft::Add(a.v, b.v, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended operator-(Extended a, Extended b) {
  unsigned flags = 0;
  const soft::Value v = soft::Sub(a.v, b.v, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended operator*(Extended a, Extended b) {
  unsigned flags = 0;
  const soft::Value v = soft::Mul(a.v, b.v, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended MulFloat(float f, Extended b) {
  unsigned flags = 0;
  const soft::Value v = soft::MulFloat(f, b.v, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended MulFloats(float f, float g) {
  unsigned flags = 0;
  const soft::Value v = soft::MulFloats(f, g, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE bool operator<(Extended a, Extended b) {
  unsigned flags = 0;
  const bool less = soft::Less(a.v, b.v, flags);
  Check(flags);
  return less;
}
FRACTALS_EXTENDED_INLINE float ToFloat(Extended a) {
  unsigned flags = 0;
  const float f = soft::ToFloat(a.v, flags);
  Check(flags);
  return f;
}
FRACTALS_EXTENDED_INLINE std::int64_t RoundToInt64(Extended a) {
  unsigned flags = 0;
  const std::int64_t i = soft::ToInt64(a.v, flags);
  Check(flags);
  return i;
}

FRACTALS_EXTENDED_INLINE Extended FromBits(std::uint16_t signExponent, std::uint64_t significand) {
  return Extended{soft::FromBits(soft::Bits80{signExponent, significand})};
}
inline soft::Bits80 ToBits(Extended a) { return soft::ToBits(a.v); }

FRACTALS_EXTENDED_INLINE Extended Sin(float x) {
  unsigned flags = 0;
  const soft::Value v = soft::Sin(x, flags);
  Check(flags);
  return Extended{v};
}
FRACTALS_EXTENDED_INLINE Extended Cos(float x) {
  unsigned flags = 0;
  const soft::Value v = soft::Cos(x, flags);
  Check(flags);
  return Extended{v};
}

}  // namespace extended
