// The extended format in integer arithmetic: what the x87 unit computes with
// a 64-bit significand, round to nearest even, every exception masked. Each
// operation returns the unit's masked result and adds the exceptions it
// raised to flags; the caller decides whether they end the program.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#if !defined(__SIZEOF_INT128__) && defined(_MSC_VER)
#include <intrin.h>
#endif

// The common cases are kept inline in the caller's loop; the rare ones
// (specials, far-apart operands, the edges of the range) are calls.
#if defined(__GNUC__)
#define FRACTALS_EXTENDED_INLINE [[gnu::always_inline]] inline
#define FRACTALS_EXTENDED_COLD [[gnu::noinline, gnu::cold]] inline
#else
#define FRACTALS_EXTENDED_INLINE inline
#define FRACTALS_EXTENDED_COLD inline
#endif

namespace extended::soft {

// Exceptions, in the bit order of the x87 status word.
inline constexpr unsigned kInvalid = 0x01;
inline constexpr unsigned kZeroDivide = 0x04;
inline constexpr unsigned kOverflow = 0x08;

// Unbiased exponents of the format's finite range.
inline constexpr std::int32_t kMinExp = -16382;
inline constexpr std::int32_t kMaxExp = 16383;
// Exponent tags outside any reachable range, chosen so that the sum of two
// exponents (a product's) is outside it too whenever either is a tag: a
// product checks its result's exponent only.
inline constexpr std::int32_t kZeroExp = -0x20000000;
inline constexpr std::int32_t kSpecialExp = 0x10000000;  // infinity or NaN
// Finite exponents, subnormal ones included, lie well within +-kFiniteBound.
inline constexpr std::int32_t kFiniteBound = 0x10000;

inline constexpr std::uint64_t kTop = 0x8000000000000000u;
inline constexpr std::uint64_t kQuiet = 0x4000000000000000u;

// value = (-1)^neg * sig * 2^(exp - 63). Finite non-zero values are kept
// normalised (top bit of sig set), also below the format's normal range,
// where rounding has already cleared the bits the format cannot hold.
// Zero: exp == kZeroExp, sig 0. Infinity: kSpecialExp, sig kTop. NaN:
// kSpecialExp, any other sig with the top bit set.
struct Value {
  std::uint64_t sig;
  std::int32_t exp;
  std::uint32_t neg;
};

inline constexpr Value kIndefinite{kTop | kQuiet, kSpecialExp, 1};  // the unit's default NaN

inline constexpr bool IsSpecial(const Value& v) { return v.exp == kSpecialExp; }
inline constexpr bool IsNaN(const Value& v) { return v.exp == kSpecialExp && v.sig != kTop; }
inline constexpr bool IsZero(const Value& v) { return v.exp == kZeroExp; }
inline constexpr bool IsFiniteNonZero(const Value& v) {
  return static_cast<std::uint32_t>(v.exp + kFiniteBound) < 2u * kFiniteBound;
}

// 64 x 64 -> 128 bits. WebAssembly multiplies 128-bit integers in a library
// call; four 64-bit products of the halves are a third faster there.
inline void Mul64(std::uint64_t a, std::uint64_t b, std::uint64_t& hi, std::uint64_t& lo) {
#if defined(__SIZEOF_INT128__) && !defined(__wasm__)
  const unsigned __int128 p = static_cast<unsigned __int128>(a) * b;
  hi = static_cast<std::uint64_t>(p >> 64);
  lo = static_cast<std::uint64_t>(p);
#elif defined(_MSC_VER) && defined(_M_X64)
  lo = _umul128(a, b, &hi);
#else
  const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const std::uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  lo = (mid << 32) | (p00 & 0xFFFFFFFFu);
  hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);
#endif
}

// hi:lo >> n, the bits shifted out ORed into the lowest bit ("jam"), so that
// rounding still sees that something was lost.
inline void ShiftRightJam(std::uint64_t& hi, std::uint64_t& lo, std::int32_t n) {
  if (n <= 0) return;
  if (n < 64) {
    const bool lost = (lo << (64 - n)) != 0;
    lo = (lo >> n) | (hi << (64 - n)) | (lost ? 1u : 0u);
    hi >>= n;
  } else if (n < 128) {
    const bool lost = lo != 0 || (n > 64 && (hi << (128 - n)) != 0);
    lo = (n == 64 ? hi : hi >> (n - 64)) | (lost ? 1u : 0u);
    hi = 0;
  } else {
    lo = (hi | lo) != 0 ? 1u : 0u;
    hi = 0;
  }
}

inline Value Infinity(std::uint32_t neg) { return Value{kTop, kSpecialExp, neg}; }
inline Value Zero(std::uint32_t neg) { return Value{0, kZeroExp, neg}; }

// Rounds (-1)^neg * (hi:lo) * 2^(exp - 127), hi's top bit set, once to the
// 64-bit significand: to nearest, ties to even. Below the normal range the
// significand loses bits first, as the unit's masked underflow does; above
// it the result overflows.
FRACTALS_EXTENDED_COLD Value RoundSlow(std::uint32_t neg, std::int32_t exp, std::uint64_t hi,
                                       std::uint64_t lo, unsigned& flags) {
  std::int32_t lostBits = 0;
  if (exp < kMinExp) [[unlikely]] {
    lostBits = kMinExp - exp > 128 ? 128 : kMinExp - exp;
    ShiftRightJam(hi, lo, lostBits);
  }
  const bool roundUp = (lo & kTop) != 0 && ((lo & ~kTop) != 0 || (hi & 1) != 0);
  if (roundUp) {
    ++hi;
    if (hi == 0) {  // carried out of the significand
      hi = kTop;
      ++exp;
    }
  }
  if (lostBits != 0) [[unlikely]] {
    if (hi == 0) return Zero(neg);
    // Back to the normalised form with the exponent the bits stand for.
    const int shift = std::countl_zero(hi);
    return Value{hi << shift, exp + lostBits - shift, neg};
  }
  if (exp > kMaxExp) [[unlikely]] {
    flags |= kOverflow;
    return Infinity(neg);
  }
  return Value{hi, exp, neg};
}

// Round for exp in [kMinExp, kMaxExp): nothing lost below the range, no
// overflow above it.
FRACTALS_EXTENDED_INLINE Value RoundInRange(std::uint32_t neg, std::int32_t exp, std::uint64_t hi,
                                            std::uint64_t lo) {
  // Without branches: which way a value rounds is as good as random, and a
  // mispredicted branch costs more than the arithmetic.
  // Up when lo is above one half, or at one half with hi odd: exactly when
  // lo + one half - 1 + (hi & 1) carries out of 64 bits.
  const std::uint64_t biased = lo + (kTop - 1) + (hi & 1);
  hi += static_cast<std::uint64_t>(biased < lo);
  const bool carried = hi == 0;
  return Value{carried ? kTop : hi, exp + carried, neg};
}

FRACTALS_EXTENDED_INLINE Value Round(std::uint32_t neg, std::int32_t exp, std::uint64_t hi,
                                     std::uint64_t lo, unsigned& flags) {
  if (exp < kMinExp || exp >= kMaxExp) [[unlikely]]
    return RoundSlow(neg, exp, hi, lo, flags);
  return RoundInRange(neg, exp, hi, lo);
}

// Encodings the unit does not take as numbers (unnormals, pseudo-NaNs and
// pseudo-infinities, all without the significand's top bit): every
// operation on one is invalid and gives the indefinite. They are NaNs here.
inline constexpr bool IsUnsupported(const Value& v) {
  return v.exp == kSpecialExp && (v.sig & kTop) == 0;
}
inline constexpr bool IsSignalling(const Value& v) { return IsNaN(v) && (v.sig & kQuiet) == 0; }

// The NaN an operation with a NaN operand gives: the operand made quiet; of
// a quiet and a signalling one, the quiet one; of two of a kind, the one with
// the larger significand. A signalling one is invalid.
inline Value PropagateNaN(const Value& a, const Value& b, unsigned& flags) {
  if (IsUnsupported(a) || IsUnsupported(b)) {
    flags |= kInvalid;
    return kIndefinite;
  }
  const bool aNaN = IsNaN(a), bNaN = IsNaN(b);
  const bool aSignalling = IsSignalling(a), bSignalling = IsSignalling(b);
  if (aSignalling || bSignalling) flags |= kInvalid;
  Value r = a;
  if (!aNaN) {
    r = b;
  } else if (bNaN) {
    // Equal significands: the positive one.
    const std::uint64_t as = a.sig | kQuiet, bs = b.sig | kQuiet;
    const bool bLarger = bs > as || (bs == as && b.neg == 0);
    if (aSignalling != bSignalling ? aSignalling : bLarger) r = b;
  }
  r.sig |= kQuiet;
  return r;
}

// Exact.
FRACTALS_EXTENDED_COLD Value FromFloatSlow(float f, unsigned& flags) {
  const std::uint32_t bits = __builtin_bit_cast(std::uint32_t, f);
  const std::uint32_t neg = bits >> 31;
  const std::int32_t field = static_cast<std::int32_t>((bits >> 23) & 0xFF);
  const std::uint64_t fraction = bits & 0x7FFFFF;
  if (field == 0xFF) [[unlikely]] {
    if (fraction == 0) return Infinity(neg);
    if ((fraction & 0x400000) == 0) flags |= kInvalid;  // a signalling NaN
    return Value{kTop | kQuiet | (fraction << 40), kSpecialExp, neg};
  }
  if (field == 0) [[unlikely]] {
    if (fraction == 0) return Zero(neg);
    const int shift = std::countl_zero(fraction);
    return Value{fraction << shift, -126 - (shift - 40), neg};
  }
  return Value{(fraction | 0x800000) << 40, field - 127, neg};
}

FRACTALS_EXTENDED_INLINE Value FromFloat(float f, unsigned& flags) {
  const std::uint32_t bits = __builtin_bit_cast(std::uint32_t, f);
  const std::uint32_t field = (bits >> 23) & 0xFF;
  // Zero and subnormals (field 0), infinities and NaNs (0xFF) take the call.
  if (field - 1 >= 0xFE) [[unlikely]]
    return FromFloatSlow(f, flags);
  return Value{(static_cast<std::uint64_t>(bits & 0x7FFFFF) | 0x800000) << 40,
               static_cast<std::int32_t>(field) - 127, bits >> 31};
}

// Exact.
inline Value FromInt(std::int32_t i) {
  if (i == 0) return Zero(0);
  const std::uint32_t neg = i < 0 ? 1 : 0;
  const std::uint64_t magnitude = neg ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(i))
                                      : static_cast<std::uint64_t>(i);
  const int shift = std::countl_zero(magnitude);
  return Value{magnitude << shift, 63 - shift, neg};
}

FRACTALS_EXTENDED_COLD Value AddSlow(Value a, Value b, unsigned& flags) {
  if (!IsFiniteNonZero(a) || !IsFiniteNonZero(b)) [[unlikely]] {
    if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b, flags);
    if (IsSpecial(a) && IsSpecial(b)) {
      if (a.neg == b.neg) return a;
      flags |= kInvalid;  // infinity minus infinity
      return kIndefinite;
    }
    if (IsSpecial(a)) return a;
    if (IsSpecial(b)) return b;
    if (IsZero(a) && IsZero(b)) return Zero(a.neg & b.neg);
    return IsZero(a) ? b : a;
  }
  // a the larger in magnitude.
  if (b.exp > a.exp || (b.exp == a.exp && b.sig > a.sig)) std::swap(a, b);
  std::uint64_t hi = a.sig, lo = 0;
  std::uint64_t bhi = b.sig, blo = 0;
  ShiftRightJam(bhi, blo, a.exp - b.exp);
  std::int32_t exp = a.exp;
  if (a.neg == b.neg) {
    lo += blo;
    const std::uint64_t carryLo = lo < blo ? 1 : 0;
    const std::uint64_t sum = hi + bhi + carryLo;
    const bool carry = sum < hi || (sum == hi && (bhi | carryLo) != 0);
    hi = sum;
    if (carry) {
      ShiftRightJam(hi, lo, 1);
      hi |= kTop;
      ++exp;
    }
  } else {
    const std::uint64_t borrow = lo < blo ? 1 : 0;
    lo -= blo;
    hi = hi - bhi - borrow;
    if ((hi | lo) == 0) return Zero(0);  // an exact zero is positive
    if (hi == 0) {
      hi = lo;
      lo = 0;
      exp -= 64;
    }
    const int shift = std::countl_zero(hi);
    if (shift != 0) {
      hi = (hi << shift) | (lo >> (64 - shift));
      lo <<= shift;
      exp -= shift;
    }
  }
  return Round(a.neg, exp, hi, lo, flags);
}

FRACTALS_EXTENDED_INLINE Value Neg(Value v) {
  if (!IsNaN(v)) v.neg ^= 1;
  return v;
}

// A NaN subtracted keeps its sign.
FRACTALS_EXTENDED_COLD Value SubSlow(Value a, Value b, unsigned& flags) {
  if (IsNaN(b)) return PropagateNaN(a, b, flags);
  return AddSlow(a, Neg(b), flags);
}

// a + b, or a - b. Operands at most 63 binades apart: the smaller one's bits all fit beside
// the larger one's in 128 bits, and nothing is lost before the rounding.
FRACTALS_EXTENDED_INLINE Value AddOrSub(Value a, Value b, bool subtract, unsigned& flags) {
  const Value other{b.sig, b.exp, b.neg ^ static_cast<std::uint32_t>(subtract)};
  // The larger in magnitude first; selects, not branches (see Round).
  const bool swap = other.exp > a.exp || (other.exp == a.exp && other.sig > a.sig);
  const Value big = swap ? other : a, small = swap ? a : other;
  const std::int32_t d = big.exp - small.exp;
  // A zero, infinity or NaN beside a finite value puts the exponents far
  // apart; two of them leave the larger one's exponent a tag.
  if (d > 63 || !IsFiniteNonZero(big)) [[unlikely]]
    return subtract ? SubSlow(a, b, flags) : AddSlow(a, b, flags);
  // Both in 128 bits with the top bit free, so that neither the sum can
  // carry out nor the smaller one lose a bit: big * 2^63 and small * 2^(63 - d).
  const std::uint64_t ahi = big.sig >> 1, alo = big.sig << 63;
  const std::uint64_t bhi = (small.sig >> 1) >> d;
  const std::uint64_t blo = ((small.sig << 63) >> d) | ((small.sig >> 1) << 1 << (63 - d));
  // Where the signs differ, the smaller one's two's complement: the
  // difference is never negative.
  const std::uint64_t differ = big.neg ^ small.neg, mask = 0 - differ;
  const std::uint64_t nlo = (blo ^ mask) + differ;
  const std::uint64_t nhi = (bhi ^ mask) + (blo == 0 ? differ : 0);
  std::uint64_t lo = alo + nlo;
  std::uint64_t hi = ahi + nhi + (lo < alo ? 1 : 0);
  std::int32_t exp = big.exp + 1;
  if (hi == 0) [[unlikely]] {     // cancelled the upper half
    if (lo == 0) return Zero(0);  // an exact zero is positive
    hi = lo;
    lo = 0;
    exp -= 64;
  }
  const int shift = std::countl_zero(hi);
  hi = (hi << shift) | ((lo >> 1) >> (63 - shift));
  lo <<= shift;
  return Round(big.neg, exp - shift, hi, lo, flags);
}

FRACTALS_EXTENDED_INLINE Value Add(Value a, Value b, unsigned& flags) {
  return AddOrSub(a, b, false, flags);
}

FRACTALS_EXTENDED_INLINE Value Sub(Value a, Value b, unsigned& flags) {
  return AddOrSub(a, b, true, flags);
}

FRACTALS_EXTENDED_COLD Value MulSlow(const Value& a, const Value& b, unsigned& flags) {
  const std::uint32_t neg = a.neg ^ b.neg;
  if (!IsFiniteNonZero(a) || !IsFiniteNonZero(b)) [[unlikely]] {
    if (IsNaN(a) || IsNaN(b)) return PropagateNaN(a, b, flags);
    if (IsSpecial(a) || IsSpecial(b)) {
      if (IsZero(a) || IsZero(b)) {
        flags |= kInvalid;  // infinity times zero
        return kIndefinite;
      }
      return Infinity(neg);
    }
    return Zero(neg);
  }
  std::uint64_t hi, lo;
  Mul64(a.sig, b.sig, hi, lo);
  std::int32_t exp = a.exp + b.exp;
  if ((hi & kTop) != 0) {
    ++exp;
  } else {
    hi = (hi << 1) | (lo >> 63);
    lo <<= 1;
  }
  return Round(neg, exp, hi, lo, flags);
}

FRACTALS_EXTENDED_INLINE Value Mul(Value a, Value b, unsigned& flags) {
  // A zero, infinity or NaN on either side puts the sum of the exponents
  // far outside the range, as do the edges of the range themselves.
  const std::int32_t exp = a.exp + b.exp;
  if (exp < kMinExp || exp >= kMaxExp - 1) [[unlikely]]
    return MulSlow(a, b, flags);
  std::uint64_t hi, lo;
  Mul64(a.sig, b.sig, hi, lo);
  // The product has 127 or 128 bits; normalised without a branch.
  const int low = static_cast<int>(hi >> 63) ^ 1;
  hi = (hi << low) | ((lo >> 63) & static_cast<std::uint64_t>(low));
  lo <<= low;
  return RoundInRange(a.neg ^ b.neg, exp + 1 - low, hi, lo);
}

// a < b; a NaN on either side is invalid, as the unit's ordered compare has it.
FRACTALS_EXTENDED_INLINE bool Less(const Value& a, const Value& b, unsigned& flags) {
  if (IsNaN(a) || IsNaN(b)) [[unlikely]] {
    flags |= kInvalid;
    return false;
  }
  if (IsZero(a) && IsZero(b)) return false;
  if (a.neg != b.neg) return a.neg > b.neg;
  // Same sign: compare magnitudes; zero below everything, infinity above.
  const bool aBelow =
      IsZero(a) || (!IsZero(b) && (a.exp < b.exp || (a.exp == b.exp && a.sig < b.sig)));
  const bool equal = !IsZero(a) && !IsZero(b) && a.exp == b.exp && a.sig == b.sig;
  if (equal) return false;
  return a.neg ? !aBelow : aBelow;
}

// Rounds to the nearest 32-bit float, ties to even; below the float's
// normal range to its subnormals; beyond its range it overflows.
FRACTALS_EXTENDED_COLD float ToFloatSlow(const Value& v, unsigned& flags) {
  const std::uint32_t sign = v.neg << 31;
  if (IsZero(v)) return __builtin_bit_cast(float, sign);
  if (IsSpecial(v)) {
    if (v.sig == kTop) return __builtin_bit_cast(float, sign | 0x7F800000u);
    if (IsUnsupported(v) || IsSignalling(v)) flags |= kInvalid;
    if (IsUnsupported(v)) return __builtin_bit_cast(float, 0xFFC00000u);  // the float indefinite
    return __builtin_bit_cast(
        float, sign | 0x7FC00000u | static_cast<std::uint32_t>((v.sig >> 40) & 0x7FFFFF));
  }
  // Kept bits: 24 for normal floats, fewer below 2^-126.
  std::int32_t exp = v.exp;
  const std::uint64_t hi = v.sig;
  const std::int32_t drop = 40 + (exp < -126 ? -126 - exp : 0);
  if (drop >= 64) {
    // Below the smallest subnormal: it rounds up to it only from above half of it.
    const bool up = drop == 64 && (hi & ~kTop) != 0;
    return __builtin_bit_cast(float, sign | (up ? 1u : 0u));
  }
  std::uint64_t kept = hi >> drop;
  const std::uint64_t rest = hi << (64 - drop);
  if ((rest & kTop) != 0 && ((rest & ~kTop) != 0 || (kept & 1) != 0)) ++kept;
  if (exp < -126) {
    // Subnormal, or the smallest normal after a carry: the field is 0 or 1.
    return __builtin_bit_cast(float, sign | static_cast<std::uint32_t>(kept));
  }
  if (kept == 0x1000000) {
    kept >>= 1;
    ++exp;
  }
  if (exp > 127) {
    flags |= kOverflow;
    return __builtin_bit_cast(float, sign | 0x7F800000u);
  }
  return __builtin_bit_cast(float, sign | static_cast<std::uint32_t>(exp + 127) << 23 |
                                       static_cast<std::uint32_t>(kept & 0x7FFFFF));
}

FRACTALS_EXTENDED_INLINE float ToFloat(const Value& v, unsigned& flags) {
  // Normal floats that cannot overflow: 24 bits kept, 40 rounded away.
  if (v.exp < -126 || v.exp > 126) [[unlikely]]
    return ToFloatSlow(v, flags);
  std::uint64_t kept = v.sig >> 40;
  const std::uint64_t rest = v.sig & 0xFFFFFFFFFFu;
  // Up above one half, or at one half when odd (see RoundInRange).
  kept += (rest + 0x7FFFFFFFFFu + (kept & 1)) >> 40;
  // A carry out of the 24 bits moves into the exponent field by itself.
  const std::uint32_t bits = (v.neg << 31) + (static_cast<std::uint32_t>(v.exp + 126) << 23) +
                             static_cast<std::uint32_t>(kept);
  return __builtin_bit_cast(float, bits);
}

// Rounds to the nearest 64-bit integer, ties to even. Outside the range or
// NaN: invalid, and the unit's integer indefinite.
FRACTALS_EXTENDED_INLINE std::int64_t ToInt64(const Value& v, unsigned& flags) {
  constexpr std::int64_t kIntIndefinite = INT64_MIN;
  if (IsZero(v)) return 0;
  if (IsSpecial(v)) [[unlikely]] {
    flags |= kInvalid;
    return kIntIndefinite;
  }
  if (v.exp >= 63) [[unlikely]] {
    if (v.exp == 63 && v.neg && v.sig == kTop) return INT64_MIN;
    flags |= kInvalid;
    return kIntIndefinite;
  }
  if (v.exp < -1) return 0;     // below one half
  const int drop = 63 - v.exp;  // 1 .. 64
  std::uint64_t magnitude = drop == 64 ? 0 : v.sig >> drop;
  const std::uint64_t rest = drop == 64 ? v.sig : v.sig << (64 - drop);
  // Up above one half, or at one half when odd (see RoundInRange).
  const std::uint64_t biased = rest + (kTop - 1) + (magnitude & 1);
  magnitude += static_cast<std::uint64_t>(biased < rest);
  // Just below 2^63 a value can round up out of the range.
  if (magnitude > (v.neg ? kTop : kTop - 1)) [[unlikely]] {
    flags |= kInvalid;
    return kIntIndefinite;
  }
  return v.neg ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

// The 80-bit image: sign and biased exponent, explicit-integer-bit significand.
struct Bits80 {
  std::uint16_t signExponent;
  std::uint64_t significand;
};

inline Bits80 ToBits(const Value& v) {
  const std::uint16_t sign = static_cast<std::uint16_t>(v.neg << 15);
  if (IsZero(v)) return Bits80{sign, 0};
  if (IsSpecial(v)) return Bits80{static_cast<std::uint16_t>(sign | 0x7FFF), v.sig};
  if (v.exp < kMinExp) return Bits80{sign, v.sig >> (kMinExp - v.exp)};  // a denormal
  return Bits80{static_cast<std::uint16_t>(sign | (v.exp + 16383)), v.sig};
}

// Unsupported encodings keep their significand without the top bit, as a
// NaN of their own (see IsUnsupported).
inline Value FromBits(Bits80 b) {
  const std::uint32_t neg = b.signExponent >> 15;
  const std::int32_t field = b.signExponent & 0x7FFF;
  if (field == 0x7FFF) return Value{b.significand, kSpecialExp, neg};
  if (field != 0 && (b.significand & kTop) == 0) return Value{b.significand, kSpecialExp, neg};
  if (b.significand == 0) return Zero(neg);
  const int shift = std::countl_zero(b.significand);
  return Value{b.significand << shift, (field == 0 ? kMinExp : field - 16383) - shift, neg};
}

}  // namespace extended::soft
