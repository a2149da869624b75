// Sine and cosine of a 32-bit float, correctly rounded to the 64-bit
// significand: the argument is reduced with 640 bits of 2/pi, the series are
// summed in 128-bit fixed point (error below 2^-123), and the result is
// rounded once. No C library and no CPU instruction takes part, so every
// target gets the same six values for the renderer.
#include "extended/trig.hpp"

#include <atomic>
#include <bit>
#include <cstdint>

namespace extended::soft {

namespace {

// Fixed-point numbers of N 64-bit words, the most significant first.
template <int N>
struct Wide {
  std::uint64_t w[N];
};

// The top N words of a * b (truncated).
template <int N>
Wide<N> MulHi(const Wide<N>& a, const Wide<N>& b) {
  std::uint64_t p[2 * N] = {};
  for (int i = N - 1; i >= 0; --i) {
    std::uint64_t carry = 0;
    for (int j = N - 1; j >= 0; --j) {
      // a_i * b_j + p + carry < 2^128: the carry never overflows.
      std::uint64_t hi, lo;
      Mul64(a.w[i], b.w[j], hi, lo);
      std::uint64_t& slot = p[i + j + 1];
      slot += lo;
      hi += slot < lo ? 1 : 0;
      slot += carry;
      hi += slot < carry ? 1 : 0;
      carry = hi;
    }
    p[i] = carry;
  }
  Wide<N> r;
  for (int i = 0; i < N; ++i) r.w[i] = p[i];
  return r;
}

template <int N>
Wide<N> Sub(const Wide<N>& a, const Wide<N>& b) {
  Wide<N> r;
  std::uint64_t borrow = 0;
  for (int i = N - 1; i >= 0; --i) {
    const std::uint64_t d = a.w[i] - b.w[i];
    r.w[i] = d - borrow;
    borrow = (a.w[i] < b.w[i] || d < borrow) ? 1 : 0;
  }
  return r;
}

// The word at index i of a shifted left by n bits (n may be negative).
template <int N>
std::uint64_t WordShifted(const Wide<N>& a, int i, int n) {
  const unsigned bits = static_cast<unsigned>(n) & 63u;  // n modulo 64, also for n < 0
  const int words = (n - static_cast<int>(bits)) / 64;
  auto at = [&](int k) { return k >= 0 && k < N ? a.w[k] : std::uint64_t{0}; };
  const std::uint64_t high = at(i + words), low = at(i + words + 1);
  return bits == 0 ? high : (high << bits) | (low >> (64 - bits));
}

template <int N>
Wide<N> ShiftLeft(const Wide<N>& a, int n) {
  if (n >= 64 * N || n <= -64 * N) return Wide<N>{};
  Wide<N> r;
  for (int i = 0; i < N; ++i) r.w[i] = WordShifted(a, i, n);
  return r;
}

template <int N>
int LeadingZeros(const Wide<N>& a) {
  for (int i = 0; i < N; ++i)
    if (a.w[i] != 0) return 64 * i + std::countl_zero(a.w[i]);
  return 64 * N;
}

// 1/k! for k = first, first + 2, ..., with 64 N - 1 bits after the point,
// each truncated: every division by a small integer, done on 32-bit halves
// so that no wider division is needed, errs by less than one unit, and the
// errors shrink by the next divisors. Made once per width.
template <int N, int T>
struct Terms {
  Wide<N> t[T];
};

template <int N>
void DivideSmall(Wide<N>& a, std::uint64_t d) {
  std::uint64_t rem = 0;
  for (int i = 0; i < N; ++i) {
    const std::uint64_t hiPart = (rem << 32) | (a.w[i] >> 32);
    const std::uint64_t q1 = hiPart / d;
    rem = hiPart % d;
    const std::uint64_t loPart = (rem << 32) | (a.w[i] & 0xFFFFFFFFu);
    const std::uint64_t q0 = loPart / d;
    rem = loPart % d;
    a.w[i] = (q1 << 32) | q0;
  }
}

template <int N, int T>
Terms<N, T> InverseFactorials(int first) {
  Terms<N, T> terms{};
  Wide<N> v{};
  v.w[0] = kTop;  // 1
  int k = 1;
  for (int n = 0; n < T; ++n) {
    for (; k <= first + 2 * n; ++k) DivideSmall(v, static_cast<std::uint64_t>(k));
    terms.t[n] = v;
  }
  return terms;
}

// Enough terms that the first one left out, u^T / (2T)! with u < 0.62, is
// below a unit of 2^-(64 N).
template <int N>
constexpr int kTermCount = N == 2 ? 17 : 29;

template <int N>
const Terms<N, kTermCount<N>>& SinTerms() {
  static const Terms<N, kTermCount<N>> terms = InverseFactorials<N, kTermCount<N>>(1);
  return terms;
}
template <int N>
const Terms<N, kTermCount<N>>& CosTerms() {
  static const Terms<N, kTermCount<N>> terms = InverseFactorials<N, kTermCount<N>>(0);
  return terms;
}

// sum (-u)^n * terms[n], u with 64 N bits after the point (below 0.62):
// every partial sum of Horner's scheme stays positive.
template <int N, int T>
Wide<N> Series(const Wide<N>& u, const Terms<N, T>& terms) {
  Wide<N> t = terms.t[T - 1];
  for (int n = T - 1; n-- > 0;) t = Sub(terms.t[n], MulHi(u, t));
  return t;
}

// 2/pi = 0.A2F9836E... in hexadecimal, 640 bits after the point.
constexpr std::uint64_t kTwoOverPi[] = {
    0xA2F9836E4E441529, 0xFC2757D1F534DDC0, 0xDB6295993C439041, 0xFE5163ABDEBBC561,
    0xB7246E3A424DD2E0, 0x06492EEA09D1921C, 0xFE1DEB1CB129A73E, 0xE88235F52EBB4484,
    0xE99C7026B45F7E41, 0x3991D639835339F4,
};

// pi/4, 256 bits after the point.
constexpr std::uint64_t kPiOver4[] = {0xC90FDAA22168C234, 0xC4C6628B80DC1CD1, 0x29024E088A67CC74,
                                      0x020BBEA63B139B22};

template <int N>
Wide<N> PiOver4() {
  Wide<N> r;
  for (int i = 0; i < N; ++i) r.w[i] = kPiOver4[i];
  return r;
}

// r = (-1)^neg * m * 2^(e - 64 N + 1), |r| <= pi/4, m's top bit set.
template <int N>
struct Reduced {
  Wide<N> m;
  std::int32_t e;
  std::uint32_t neg;
  unsigned quadrant;  // |x| = r + quadrant * pi/2 (mod 2pi)
};

// |x| = m * 2^q, |x| >= pi/4, m < 2^24 (x a normal float). 2/pi is taken
// 128 bits further than the result keeps, more than the at most 30-odd
// leading zeros a float's fraction of a quadrant can have.
template <int N>
Reduced<N> Reduce(std::uint64_t m, int q) {
  constexpr int kWindow = N + 2;  // words of 2/pi
  // |x| * 2/pi = sum over the bits b_i of m * 2^(q - i); the terms with
  // q - i >= 2 are multiples of 4 and drop out.
  const int first = q - 1 > 1 ? q - 1 : 1;
  // The 64 kWindow bits of 2/pi that start at bit first (the first bit after
  // the point is 1).
  std::uint64_t w[kWindow];
  {
    const int word = (first - 1) / 64, bit = (first - 1) % 64;
    for (int j = 0; j < kWindow; ++j) {
      w[j] = kTwoOverPi[word + j] << bit;
      if (bit != 0) w[j] |= kTwoOverPi[word + j + 1] >> (64 - bit);
    }
  }
  // p = m * window, the most significant word first: |x| * 2/pi =
  // p * 2^-fractionBits (mod 4).
  constexpr int kWords = kWindow + 1;
  Wide<kWords> p{};
  std::uint64_t carry = 0;
  for (int j = kWindow - 1; j >= 0; --j) {
    std::uint64_t hi, lo;
    Mul64(w[j], m, hi, lo);
    lo += carry;
    hi += lo < carry ? 1 : 0;
    p.w[j + 1] = lo;
    carry = hi;
  }
  p.w[0] = carry;
  const int fractionBits = first + 64 * kWindow - 1 - q;

  // Bit pos counted from the least significant end.
  auto bit = [&](int pos) { return (p.w[kWords - 1 - pos / 64] >> (pos % 64)) & 1; };
  unsigned quadrant = static_cast<unsigned>(bit(fractionBits) | bit(fractionBits + 1) << 1);
  std::uint32_t rNeg = 0;
  if (bit(fractionBits - 1) != 0) {
    // Fraction >= 1/2: r = (fraction - 1) * pi/2, from the next quadrant.
    // 2^fractionBits - fraction, by two's complement of the fraction bits.
    quadrant = (quadrant + 1) & 3;
    rNeg ^= 1;
    std::uint64_t borrow = 1;
    for (int i = kWords - 1; i >= 0; --i) {
      p.w[i] = ~p.w[i] + borrow;
      borrow = (borrow != 0 && p.w[i] == 0) ? 1 : 0;
    }
  }
  // Clear the integer bits, then find the fraction's leading one.
  for (int pos = fractionBits; pos < 64 * kWords; ++pos)
    p.w[kWords - 1 - pos / 64] &= ~(std::uint64_t{1} << (pos % 64));
  const int lead = 64 * kWords - 1 - LeadingZeros(p);
  if (lead < 0) return Reduced<N>{{}, 0, rNeg, quadrant};  // cannot happen: pi is irrational
  // f: the N words from the leading one down; fraction = f * 2^(lead + 1 -
  // fractionBits - 64 N).
  const Wide<kWords> top = ShiftLeft(p, 64 * kWords - 1 - lead);
  Wide<N> f;
  for (int i = 0; i < N; ++i) f.w[i] = top.w[i];
  Wide<N> r = MulHi(f, PiOver4<N>());  // r = 2 * fraction * pi/4
  const int shift = LeadingZeros(r);
  r = ShiftLeft(r, shift);
  // fraction * pi/2 = r * 2^(lead + 2 - fractionBits - 64 N - shift).
  return Reduced<N>{r, lead + 1 - fractionBits - shift, rNeg, quadrant};
}

enum class Function { kSin, kCos };

// The function of |x| = m * 2^q in 64 N bits, normalised (top bit set):
// (-1)^neg * n * 2^(e - 64 N + 1). Its error is below 2^-(64 N - 5) of
// the value (the reduction, the truncated products and the series each
// add a few units of the last place): under 32 units of n's last word.
template <int N>
struct Approximation {
  Wide<N> n;
  std::int32_t e;
  std::uint32_t neg;
};

template <int N>
Approximation<N> Approximate(std::uint64_t m, int q, bool small, Function function) {
  Reduced<N> r;
  if (small) {  // below pi/4: r = x
    const int shift = std::countl_zero(m);
    r = Reduced<N>{{}, q + 63 - shift, 0, 0};
    r.m.w[0] = m << shift;
  } else {
    r = Reduce<N>(m, q);
  }
  // u = r^2 with 64 N bits after the point.
  const Wide<N> u = ShiftLeft(MulHi(r.m, r.m), 2 + 2 * r.e);
  const bool wantSin = (function == Function::kSin) == (r.quadrant % 2 == 0);
  Wide<N> n;
  std::int32_t e;
  if (wantSin) {
    // sin r = r * S(r^2): r * S = MulHi(r.m, S) * 2^(r.e - 64 N + 2).
    n = MulHi(r.m, Series(u, SinTerms<N>()));
    e = r.e + 1;
  } else {
    n = Series(u, CosTerms<N>());  // cos r, 64 N - 1 bits after the point
    e = 0;
  }
  const int shift = LeadingZeros(n);
  n = ShiftLeft(n, shift);
  e -= shift;
  // Of |x|, by quadrant: sin gives sin r, cos r, -sin r, -cos r; cos gives
  // cos r, -sin r, -cos r, sin r. sin r has r's sign; cos is even.
  const unsigned k = r.quadrant;
  const bool flip = function == Function::kSin ? k >= 2 : (k == 1 || k == 2);
  return Approximation<N>{n, e, (wantSin ? r.neg : 0) ^ (flip ? 1u : 0u)};
}

// Whether the bits below the 64 that are kept lie far enough from one half
// that the error bound cannot carry the value across it: only then does
// rounding the approximation round the exact value.
template <int N>
bool RoundsSafely(const Wide<N>& n) {
  constexpr std::uint64_t kErrorBound = 32;
  // The rest below the kept word, as (N - 1) words against one half.
  if (N == 2) {
    const std::uint64_t rest = n.w[1];
    const std::uint64_t distance = rest >= kTop ? rest - kTop : kTop - rest;
    return distance > kErrorBound;
  }
  // Wider: one half is kTop followed by zeros; the distance is large unless
  // the word after the kept one is within one of kTop.
  const std::uint64_t head = n.w[1];
  if (head != kTop && head != kTop - 1) return true;
  bool zeros = true, ones = true;
  for (int i = 2; i < N - 1; ++i) {
    zeros = zeros && n.w[i] == 0;
    ones = ones && n.w[i] == ~std::uint64_t{0};
  }
  const std::uint64_t last = n.w[N - 1];
  if (head == kTop) return !(zeros && last <= kErrorBound);
  return !(ones && last >= ~std::uint64_t{0} - kErrorBound + 1);
}

std::atomic<std::uint64_t> slowEvaluations{0};

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
  const bool small = magnitude < 0x3F490FDB;                           // below pi/4
  const std::uint32_t sinSign = function == Function::kSin ? neg : 0;  // sin is odd

  // 128 bits decide all but a few angles (those whose value lies within the
  // error bound of a rounding midpoint, such as cos(k * 2^-32) for small odd
  // k); 256 bits decide those.
  const Approximation<2> a = Approximate<2>(m, q, small, function);
  if (RoundsSafely(a.n)) return Round(a.neg ^ sinSign, a.e, a.n.w[0], a.n.w[1], flags);
  slowEvaluations.fetch_add(1, std::memory_order_relaxed);
  const Approximation<4> b = Approximate<4>(m, q, small, function);
  const std::uint64_t sticky = (b.n.w[2] | b.n.w[3]) != 0 ? 1 : 0;
  return Round(b.neg ^ sinSign, b.e, b.n.w[0], b.n.w[1] | sticky, flags);
}

}  // namespace

Value Sin(float x, unsigned& flags) { return Evaluate(x, Function::kSin, flags); }
Value Cos(float x, unsigned& flags) { return Evaluate(x, Function::kCos, flags); }

std::uint64_t SlowEvaluations() { return slowEvaluations.load(std::memory_order_relaxed); }

}  // namespace extended::soft
