// Sine and cosine of a 32-bit float, correctly rounded to the 64-bit
// significand: the argument is reduced with 640 bits of 2/pi, the series are
// summed in 128-bit fixed point (error below 2^-123), and the result is
// rounded once. No C library and no CPU instruction takes part, so every
// target gets the same six values for the renderer.
#include "extended/trig.hpp"

#include <bit>
#include <cstdint>

namespace extended::soft {

namespace {

struct U128 {
  std::uint64_t hi;
  std::uint64_t lo;
};

// The top 128 bits of a * b (truncated).
U128 MulHi(U128 a, U128 b) {
  std::uint64_t hh1, hh0, hl1, hl0, lh1, lh0, ll1, ll0;
  Mul64(a.hi, b.hi, hh1, hh0);
  Mul64(a.hi, b.lo, hl1, hl0);
  Mul64(a.lo, b.hi, lh1, lh0);
  Mul64(a.lo, b.lo, ll1, ll0);
  // Column 1 (bits 64..127 of the product) carries into column 2.
  std::uint64_t col1 = hl0 + ll1;
  std::uint64_t carry = col1 < hl0 ? 1 : 0;
  col1 += lh0;
  carry += col1 < lh0 ? 1 : 0;
  std::uint64_t lo = hh0 + hl1;
  std::uint64_t carryHi = lo < hh0 ? 1 : 0;
  lo += lh1;
  carryHi += lo < lh1 ? 1 : 0;
  lo += carry;
  carryHi += lo < carry ? 1 : 0;
  return U128{hh1 + carryHi, lo};
}

U128 Sub(U128 a, U128 b) { return U128{a.hi - b.hi - (a.lo < b.lo ? 1 : 0), a.lo - b.lo}; }

U128 ShiftRight(U128 a, int n) {
  if (n <= 0) return a;
  if (n >= 128) return U128{0, 0};
  if (n >= 64) return U128{0, a.hi >> (n - 64)};
  return U128{a.hi >> n, (a.lo >> n) | (a.hi << (64 - n))};
}

int LeadingZeros(U128 a) {
  return a.hi != 0 ? std::countl_zero(a.hi) : 64 + std::countl_zero(a.lo);
}

U128 ShiftLeft(U128 a, int n) {
  if (n <= 0) return a;
  if (n >= 128) return U128{0, 0};
  if (n >= 64) return U128{a.lo << (n - 64), 0};
  return U128{(a.hi << n) | (a.lo >> (64 - n)), a.lo << n};
}

// 2/pi = 0.A2F9836E... in hexadecimal, 640 bits after the point.
constexpr std::uint64_t kTwoOverPi[] = {
    0xA2F9836E4E441529, 0xFC2757D1F534DDC0, 0xDB6295993C439041, 0xFE5163ABDEBBC561,
    0xB7246E3A424DD2E0, 0x06492EEA09D1921C, 0xFE1DEB1CB129A73E, 0xE88235F52EBB4484,
    0xE99C7026B45F7E41, 0x3991D639835339F4,
};

// pi/4 as a 128-bit fraction.
constexpr U128 kPiOver4{0xC90FDAA22168C234, 0xC4C6628B80DC1CD1};

// 1/(2n+1)! and 1/(2n)!, n = 0 .. 16, with 127 bits after the point.
constexpr U128 kSinTerms[] = {
    {0x8000000000000000, 0x0000000000000000}, {0x1555555555555555, 0x5555555555555555},
    {0x0111111111111111, 0x1111111111111111}, {0x0006806806806806, 0x8068068068068068},
    {0x0000171DE3A556C7, 0x338FAAC1C88E5001}, {0x00000035CC8ACFEA, 0x89C71FCE8FC9706F},
    {0x000000005849184E, 0xA1B425F28E0CC748}, {0x00000000006B9FCF, 0x9CCEE07C476195AC},
    {0x000000000000654B, 0x1DC0C2B529AC9814}, {0x000000000000004B, 0xD26D1A05055C9328},
    {0x0000000000000000, 0x2E371DEDB9EAE317}, {0x0000000000000000, 0x001761B413163819},
    {0x0000000000000000, 0x000009F9E66E8B2F}, {0x0000000000000000, 0x00000003A356385B},
    {0x0000000000000000, 0x0000000001259F98}, {0x0000000000000000, 0x00000000000050D3},
    {0x0000000000000000, 0x0000000000000013},
};
constexpr U128 kCosTerms[] = {
    {0x8000000000000000, 0x0000000000000000}, {0x4000000000000000, 0x0000000000000000},
    {0x0555555555555555, 0x5555555555555555}, {0x002D82D82D82D82D, 0x82D82D82D82D82D8},
    {0x0000D00D00D00D00, 0xD00D00D00D00D00D}, {0x0000024FC9F6EF13, 0xEB8E5DE02DA7D4CC},
    {0x000000047BB63BFE, 0x3625ED5136A61EB3}, {0x00000000064E5D2A, 0x301F27482EB7C517},
    {0x000000000006B9FC, 0xF9CCEE07C476195A}, {0x00000000000005A0, 0x9E18EE5F65DEEC01},
    {0x0000000000000003, 0xCA8574804044A0F5}, {0x0000000000000000, 0x0219C72DB6FF0A52},
    {0x0000000000000000, 0x0000F96780CB97AB}, {0x0000000000000000, 0x000000623A17F1A9},
    {0x0000000000000000, 0x000000002143144C}, {0x0000000000000000, 0x000000000009C996},
    {0x0000000000000000, 0x0000000000000286},
};

// sum (-u)^n * terms[n], u with 128 bits after the point (below 0.62): every
// partial sum of Horner's scheme stays positive.
template <std::size_t N>
U128 Series(U128 u, const U128 (&terms)[N]) {
  U128 t = terms[N - 1];
  for (std::size_t n = N - 1; n-- > 0;) t = Sub(terms[n], MulHi(u, t));
  return t;
}

// r = (-1)^neg * m * 2^(e - 127), |r| <= pi/4, m's top bit set.
struct Reduced {
  U128 m;
  std::int32_t e;
  std::uint32_t neg;
  unsigned quadrant;  // |x| = r + quadrant * pi/2 (mod 2pi)
};

// The 256 bits of 2/pi that start at bit i (the first bit after the point is 1).
void Window(int i, std::uint64_t (&w)[4]) {
  const int word = (i - 1) / 64, bit = (i - 1) % 64;
  for (int j = 0; j < 4; ++j) {
    w[j] = kTwoOverPi[word + j] << bit;
    if (bit != 0) w[j] |= kTwoOverPi[word + j + 1] >> (64 - bit);
  }
}

// bits [from, from + 128) of the little-endian words p, as one number.
U128 Bits128(const std::uint64_t (&p)[5], int from) {
  auto bitsAt = [&](int pos) -> std::uint64_t {  // 64 bits starting at pos
    if (pos <= -64) return 0;
    if (pos < 0) return p[0] << -pos;
    const int word = pos / 64, bit = pos % 64;
    std::uint64_t v = p[word] >> bit;
    if (bit != 0 && word + 1 < 5) v |= p[word + 1] << (64 - bit);
    return v;
  };
  return U128{bitsAt(from + 64), bitsAt(from)};
}

// |x| = m * 2^q, |x| >= pi/4, m < 2^24 (x a normal float).
Reduced Reduce(std::uint64_t m, int q) {
  // |x| * 2/pi = sum over the bits b_i of m * 2^(q - i); the terms with
  // q - i >= 2 are multiples of 4 and drop out.
  const int first = q - 1 > 1 ? q - 1 : 1;
  std::uint64_t w[4];
  Window(first, w);
  // p = m * window: |x| * 2/pi = p * 2^-fractionBits (mod 4).
  std::uint64_t p[5] = {};
  std::uint64_t carry = 0;
  for (int j = 3; j >= 0; --j) {
    std::uint64_t hi, lo;
    Mul64(w[j], m, hi, lo);
    lo += carry;
    hi += lo < carry ? 1 : 0;
    p[3 - j] = lo;
    carry = hi;
  }
  p[4] = carry;
  const int fractionBits = first + 255 - q;  // 254 .. 280

  auto bit = [&](int pos) { return (p[pos / 64] >> (pos % 64)) & 1; };
  unsigned quadrant = static_cast<unsigned>(bit(fractionBits) | bit(fractionBits + 1) << 1);
  std::uint32_t rNeg = 0;
  if (bit(fractionBits - 1) != 0) {
    // Fraction >= 1/2: r = (fraction - 1) * pi/2, from the next quadrant.
    // 2^fractionBits - fraction, by two's complement of the fraction bits.
    quadrant = (quadrant + 1) & 3;
    rNeg ^= 1;
    std::uint64_t borrow = 1;
    for (std::uint64_t& word : p) {
      word = ~word + borrow;
      borrow = (borrow != 0 && word == 0) ? 1 : 0;
    }
  }
  // Clear the integer bits, then find the fraction's leading one.
  for (int pos = fractionBits; pos < 320; ++pos) p[pos / 64] &= ~(std::uint64_t{1} << (pos % 64));
  int lead = fractionBits - 1;
  while (lead >= 0 && bit(lead) == 0) --lead;
  if (lead < 0) return Reduced{{0, 0}, 0, rNeg, quadrant};  // cannot happen: pi is irrational
  const U128 f = Bits128(p, lead - 127);  // fraction = f * 2^(lead + 1 - fractionBits - 128)
  U128 r = MulHi(f, kPiOver4);            // r = 2 * fraction * pi/4
  const int shift = LeadingZeros(r);
  r = ShiftLeft(r, shift);
  // fraction * pi/2 = r * 2^(lead + 2 - fractionBits - 128 - shift).
  return Reduced{r, lead + 1 - fractionBits - shift, rNeg, quadrant};
}

enum class Function { kSin, kCos };

Value Evaluate(float x, Function function, unsigned& flags) {
  const std::uint32_t bits = __builtin_bit_cast(std::uint32_t, x);
  const std::uint32_t neg = bits >> 31;
  const std::uint32_t magnitude = bits & 0x7FFFFFFF;
  if (magnitude >= 0x7F800000) {
    unsigned loadFlags = 0;
    const Value v = FromFloat(x, loadFlags);
    flags |= loadFlags;
    if (IsNaN(v)) return v;
    flags |= kInvalid;  // of an infinity
    return kIndefinite;
  }
  if (magnitude == 0) return function == Function::kSin ? Zero(neg) : FromInt(1);

  const std::int32_t field = static_cast<std::int32_t>(magnitude >> 23);
  std::uint64_t m = magnitude & 0x7FFFFF;
  if (field != 0) m |= 0x800000;
  const int q = (field != 0 ? field : 1) - 150;

  Reduced r;
  if (magnitude < 0x3F490FDB) {  // below pi/4: r = x
    const int shift = std::countl_zero(m);
    r = Reduced{U128{m << shift, 0}, q + 63 - shift, 0, 0};
  } else {
    r = Reduce(m, q);
  }

  // u = r^2 with 128 bits after the point.
  const U128 u = ShiftRight(MulHi(r.m, r.m), -2 - 2 * r.e);
  const bool wantSin = (function == Function::kSin) == (r.quadrant % 2 == 0);
  U128 n;
  std::int32_t e;
  if (wantSin) {
    // sin r = r * S(r^2): r * S = MulHi(r.m, S) * 2^(r.e - 126).
    n = MulHi(r.m, Series(u, kSinTerms));
    e = r.e + 1;
  } else {
    n = Series(u, kCosTerms);  // cos r, 127 bits after the point
    e = 0;
  }
  const int shift = LeadingZeros(n);
  n = ShiftLeft(n, shift);
  e -= shift;
  // Of |x|, by quadrant: sin gives sin r, cos r, -sin r, -cos r; cos gives
  // cos r, -sin r, -cos r, sin r. sin r has r's sign; sin is odd, cos even.
  const unsigned k = r.quadrant;
  const bool flip = function == Function::kSin ? k >= 2 : (k == 1 || k == 2);
  std::uint32_t resultNeg = (wantSin ? r.neg : 0) ^ (flip ? 1 : 0);
  if (function == Function::kSin) resultNeg ^= neg;
  return Round(resultNeg, e, n.hi, n.lo, flags);
}

}  // namespace

Value Sin(float x, unsigned& flags) { return Evaluate(x, Function::kSin, flags); }
Value Cos(float x, unsigned& flags) { return Evaluate(x, Function::kCos, flags); }

}  // namespace extended::soft
