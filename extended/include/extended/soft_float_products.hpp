// Products with a float operand. A float's significand has 24 bits, so a
// float times an extended value needs two 32 x 32 -> 64 products where the
// general product needs four without a 128-bit multiply (WebAssembly), and a
// float times a float, 48 bits, is exact: no rounding. Both give the bits
// soft::Mul gives for the same operands.
#pragma once

#include <cstdint>

#include "extended/soft.hpp"

namespace extended::soft {

// The 24 bits of a significand loaded from a float (its low 40 bits are 0).
FRACTALS_EXTENDED_INLINE std::uint64_t FloatBits(const Value& v) { return v.sig >> 40; }

// Where no instruction gives a 128-bit product: the two products pay there;
// with one (x86-64, aarch64) the full product measured faster.
#if defined(__SIZEOF_INT128__) && !defined(__wasm__)
inline constexpr bool kTwoProducts = false;
#else
inline constexpr bool kTwoProducts = true;
#endif

// f * b, rounded once; both ways are built everywhere, to be tested.
template <bool twoProducts>
FRACTALS_EXTENDED_INLINE Value MulFloatBy(float f, Value b, unsigned& flags) {
  const Value a = FromFloat(f, flags);
  // Zeros, infinities, NaNs and the edges of the range, as in Mul.
  const std::int32_t exp = a.exp + b.exp;
  if (exp < kMinExp || exp >= kMaxExp - 1) [[unlikely]]
    return MulSlow(a, b, flags);
  std::uint64_t hi, lo;
  if constexpr (twoProducts) {
    // a24 * b.sig has 87 or 88 bits: p = mid * 2^32 + low, and the 128-bit
    // product of the significands is p * 2^40.
    const std::uint64_t a24 = FloatBits(a);
    const std::uint64_t pl = a24 * (b.sig & 0xFFFFFFFFu);
    const std::uint64_t mid = a24 * (b.sig >> 32) + (pl >> 32);
    hi = (mid << 8) | ((pl & 0xFFFFFFFFu) >> 24);
    lo = pl << 40;
  } else {
    Mul64(a.sig, b.sig, hi, lo);
  }
  // Normalised without a branch, as in Mul.
  const int low = static_cast<int>(hi >> 63) ^ 1;
  hi = (hi << low) | ((lo >> 63) & static_cast<std::uint64_t>(low));
  lo <<= low;
  return RoundInRange(a.neg ^ b.neg, exp + 1 - low, hi, lo);
}

FRACTALS_EXTENDED_INLINE Value MulFloat(float f, Value b, unsigned& flags) {
  return MulFloatBy<kTwoProducts>(f, b, flags);
}

// f * g, exact.
FRACTALS_EXTENDED_INLINE Value MulFloats(float f, float g, unsigned& flags) {
  const Value a = FromFloat(f, flags);
  const Value b = FromFloat(g, flags);
  // Finite floats' exponents sum to well within the range; a zero, infinity
  // or NaN puts the sum outside it.
  const std::int32_t exp = a.exp + b.exp;
  if (exp < kMinExp || exp >= kMaxExp - 1) [[unlikely]]
    return MulSlow(a, b, flags);
  // 47 or 48 bits, the top one moved to bit 63.
  const std::uint64_t p = FloatBits(a) * FloatBits(b);
  const int top = static_cast<int>(p >> 47);
  return Value{p << (17 - top), exp + top, a.neg ^ b.neg};
}

}  // namespace extended::soft
