// The extended format on the x87 unit: long double. Every operation is one
// x87 instruction; the control word set at start-up gives the 64-bit
// significand, round to nearest and the traps.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace extended {

inline constexpr bool kSoftware = false;

struct Extended {
  long double v;
};

inline Extended FromFloat(float f) { return Extended{f}; }
inline Extended FromInt(std::int32_t i) { return Extended{static_cast<long double>(i)}; }
inline Extended operator+(Extended a, Extended b) { return Extended{a.v + b.v}; }
inline Extended operator-(Extended a, Extended b) { return Extended{a.v - b.v}; }
inline Extended operator*(Extended a, Extended b) { return Extended{a.v * b.v}; }
// fcomi, the ordered compare: a NaN on either side is invalid. Written out,
// because compilers differ in what `<` on long double becomes (clang emits the
// quiet fucomi, which lets a quiet NaN through without a trap).
inline bool operator<(Extended a, Extended b) {
  bool above;  // b above a: neither below, equal nor unordered
  asm("fcomi %%st(1), %%st" : "=@cca"(above) : "t"(b.v), "u"(a.v));
  return above;
}
inline float ToFloat(Extended a) { return static_cast<float>(a.v); }
// One fistp with -fno-math-errno: rounds in the unit's mode, traps when invalid.
inline std::int64_t RoundToInt64(Extended a) { return std::llrint(a.v); }

inline Extended FromBits(std::uint16_t signExponent, std::uint64_t significand) {
  long double v = 0;
  std::memcpy(&v, &significand, 8);
  std::memcpy(reinterpret_cast<unsigned char*>(&v) + 8, &signExponent, 2);
  return Extended{v};
}

inline soft::Bits80 ToBits(Extended a) {
  soft::Bits80 b{};
  std::memcpy(&b.significand, &a.v, 8);
  std::memcpy(&b.signExponent, reinterpret_cast<const unsigned char*>(&a.v) + 8, 2);
  return b;
}

inline Extended FromSoft(const soft::Value& v) {
  const soft::Bits80 b = soft::ToBits(v);
  return FromBits(b.signExponent, b.significand);
}

// The software's own sine and cosine, with their faults raised here.
inline Extended Trig(soft::Value (*function)(float, unsigned&), float x) {
  unsigned flags = 0;
  const soft::Value v = function(x, flags);
  if (flags != 0) [[unlikely]]
    RaiseFault(flags);
  return FromSoft(v);
}
inline Extended Sin(float x) { return Trig(soft::Sin, x); }
inline Extended Cos(float x) { return Trig(soft::Cos, x); }

}  // namespace extended
