// The software implementation against the x87 unit, bit for bit, over ten
// million operands per operation: random floats of every kind, random
// extended values around the edges of each operation, and the values the
// renderer and the height map build. Results are compared with every
// exception masked, together with the exceptions each raised.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "extended/soft.hpp"
#include "extended/trig.hpp"

#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64

namespace {

namespace soft = extended::soft;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kOperands = 1'000'000;  // the instrumented builds are ten times slower
#else
constexpr int kOperands = 10'000'000;
#endif

// What the unit gives: the result and the exceptions it raised.
template <typename T>
struct Outcome {
  T value;
  unsigned flags;
};

constexpr unsigned kCompared = soft::kInvalid | soft::kZeroDivide | soft::kOverflow;

// Masks every exception for the test's duration, keeps the 64-bit
// significand and round to nearest.
class Differential : public testing::Test {
 protected:
  void SetUp() override {
    asm volatile("fnstcw %0" : "=m"(savedControl_));
    const std::uint16_t masked = 0x137F;
    asm volatile("fnclex\n\tfldcw %0" : : "m"(masked));
  }
  void TearDown() override { asm volatile("fnclex\n\tfldcw %0" : : "m"(savedControl_)); }

  std::uint16_t savedControl_ = 0;
  std::mt19937_64 random_{20261208};
};

long double Hw(const soft::Value& v) {
  const soft::Bits80 b = soft::ToBits(v);
  long double x = 0;
  std::memcpy(&x, &b.significand, 8);
  std::memcpy(reinterpret_cast<unsigned char*>(&x) + 8, &b.signExponent, 2);
  return x;
}

soft::Bits80 Image(long double x) {
  soft::Bits80 b{};
  std::memcpy(&b.significand, &x, 8);
  std::memcpy(&b.signExponent, reinterpret_cast<const unsigned char*>(&x) + 8, 2);
  return b;
}

unsigned StatusFlags() {
  std::uint16_t status;
  asm volatile("fnstsw %0" : "=m"(status) : : "memory");
  return status & kCompared;
}
void ClearFlags() { asm volatile("fnclex" : : : "memory"); }

// Each runs one x87 operation between clearing and reading the flags.
[[gnu::noinline]] Outcome<long double> HwAdd(long double a, long double b) {
  ClearFlags();
  volatile long double r = a + b;
  const unsigned f = StatusFlags();
  return {r, f};
}
[[gnu::noinline]] Outcome<long double> HwSub(long double a, long double b) {
  ClearFlags();
  volatile long double r = a - b;
  const unsigned f = StatusFlags();
  return {r, f};
}
[[gnu::noinline]] Outcome<long double> HwMul(long double a, long double b) {
  ClearFlags();
  volatile long double r = a * b;
  const unsigned f = StatusFlags();
  return {r, f};
}
[[gnu::noinline]] Outcome<bool> HwLess(long double a, long double b) {
  ClearFlags();
  volatile bool r = a < b;
  const unsigned f = StatusFlags();
  return {r, f};
}
[[gnu::noinline]] Outcome<long double> HwFromFloat(const volatile float* f) {
  ClearFlags();
  volatile long double r = *f;
  const unsigned flags = StatusFlags();
  return {r, flags};
}
[[gnu::noinline]] Outcome<float> HwToFloat(long double a) {
  ClearFlags();
  volatile float r = static_cast<float>(a);
  const unsigned f = StatusFlags();
  return {r, f};
}
[[gnu::noinline]] Outcome<std::int64_t> HwToInt64(long double a) {
  ClearFlags();
  std::int64_t r;
  asm volatile("fistpll %0" : "=m"(r) : "t"(a) : "st");
  const unsigned f = StatusFlags();
  return {r, f};
}

bool SameImage(long double hw, const soft::Value& sw) {
  const soft::Bits80 a = Image(hw), b = soft::ToBits(sw);
  return a.signExponent == b.signExponent && a.significand == b.significand;
}

std::string Show(const soft::Bits80& b) {
  char text[40];
  std::snprintf(text, sizeof text, "%04x:%016llx", b.signExponent,
                static_cast<unsigned long long>(b.significand));
  return text;
}

// A float of any kind: every bit pattern is as likely.
float AnyFloat(std::mt19937_64& r) { return std::bit_cast<float>(static_cast<std::uint32_t>(r())); }

// A canonical extended value with an unbiased exponent from lo to hi (or a
// zero, infinity or NaN now and then).
soft::Value AnyExtended(std::mt19937_64& r, int lo, int hi) {
  const std::uint64_t bits = r();
  const std::uint32_t neg = bits & 1;
  switch ((bits >> 1) & 63) {
    case 0:
      return soft::Zero(neg);
    case 1:
      return soft::Infinity(neg);
    case 2:
      return soft::Value{soft::kTop | soft::kQuiet | (r() >> 2), soft::kSpecialExp, neg};
    case 3:  // signalling: quiet bit clear, some bit below it set
      return soft::Value{soft::kTop | (r() >> 2) | 1, soft::kSpecialExp, neg};
    default:
      break;
  }
  std::uint64_t sig = r() | soft::kTop;
  // Short significands make ties and exact results common.
  if (((bits >> 7) & 3) == 0) sig &= ~std::uint64_t{0} << (r() % 64);
  const int span = hi - lo + 1;
  const int exp = lo + static_cast<int>((bits >> 9) % static_cast<std::uint64_t>(span));
  unsigned flags = 0;
  // Through Round so that values below the normal range lose their bits.
  return soft::Round(neg, exp, sig, 0, flags);
}

// Compares one binary operation over the given operands.
template <typename Make>
void CompareArithmetic(Make make, std::mt19937_64& random) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    const auto [a, b] = make(random);
    struct Op {
      const char* name;
      Outcome<long double> (*hw)(long double, long double);
      soft::Value (*sw)(soft::Value, soft::Value, unsigned&);
    };
    static constexpr Op kOps[] = {
        {"+", HwAdd, soft::Add},
        {"-", HwSub, soft::Sub},
        {"*", HwMul, soft::Mul},
    };
    for (const Op& op : kOps) {
      unsigned flags = 0;
      const soft::Value sw = op.sw(a, b, flags);
      const Outcome<long double> hw = op.hw(Hw(a), Hw(b));
      if (!SameImage(hw.value, sw) || hw.flags != flags) {
        ADD_FAILURE() << Show(soft::ToBits(a)) << " " << op.name << " " << Show(soft::ToBits(b))
                      << ": x87 " << Show(Image(hw.value)) << " flags " << hw.flags << ", software "
                      << Show(soft::ToBits(sw)) << " flags " << flags;
        ++failures;
      }
    }
  }
}

std::pair<soft::Value, soft::Value> FloatPair(std::mt19937_64& r) {
  unsigned f = 0;
  return {soft::FromFloat(AnyFloat(r), f), soft::FromFloat(AnyFloat(r), f)};
}

TEST_F(Differential, ArithmeticOnFloatsOfEveryKind) { CompareArithmetic(FloatPair, random_); }

TEST_F(Differential, ArithmeticOnExtendedValuesCloseTogether) {
  // Exponents within 70 of each other: alignment, cancellation, ties.
  CompareArithmetic(
      [](std::mt19937_64& r) {
        const soft::Value a = AnyExtended(r, -40, 40);
        soft::Value b = AnyExtended(r, -40, 40);
        if (soft::IsFiniteNonZero(a) && soft::IsFiniteNonZero(b) && (r() & 3) == 0) {
          b.exp = a.exp - static_cast<std::int32_t>(r() % 3);  // near cancellation
          b.sig = a.sig ^ (r() >> (r() % 64));
          b.sig |= soft::kTop;
        }
        return std::pair{a, b};
      },
      random_);
}

TEST_F(Differential, ArithmeticAtTheEdgesOfTheRange) {
  // Overflow past 2^16383, and results below 2^-16382 that lose bits.
  CompareArithmetic(
      [](std::mt19937_64& r) {
        const bool top = r() & 1;
        const soft::Value a = top ? AnyExtended(r, 16300, 16383) : AnyExtended(r, -16382, -16250);
        const soft::Value b = top ? AnyExtended(r, -10, 80) : AnyExtended(r, -80, 10);
        return std::pair{a, b};
      },
      random_);
}

// The renderer's terms: a coordinate times a sine or cosine of the program's
// angles, a difference or sum of two of them; the height map's x * step +
// offset and squares of floats below 6.
TEST_F(Differential, ArithmeticAsTheRendererAndTheHeightMapBuildIt) {
  unsigned f = 0;
  const soft::Value trig[] = {soft::Sin(0.02f, f), soft::Cos(0.02f, f), soft::Sin(0.01f, f),
                              soft::Cos(0.01f, f)};
  std::uniform_real_distribution<float> coordinate(-120.0f, 120.0f);
  std::uniform_real_distribution<float> small(-6.0f, 6.0f);
  CompareArithmetic(
      [&](std::mt19937_64& r) {
        unsigned g = 0;
        switch (r() % 4) {
          case 0: {  // a * c - b * s
            const soft::Value c = trig[r() % 4], s = trig[r() % 4];
            return std::pair{soft::Mul(soft::FromFloat(coordinate(r), g), c, g),
                             soft::Mul(soft::FromFloat(coordinate(r), g), s, g)};
          }
          case 1:  // a coordinate times a sine or cosine
            return std::pair{soft::FromFloat(coordinate(r), g), trig[r() % 4]};
          case 2: {  // x * step + offset
            const int x = static_cast<int>(r() % 160) - 80;
            return std::pair{soft::Mul(soft::FromInt(x), soft::FromFloat(0.02f, g), g),
                             soft::FromFloat(small(r), g)};
          }
          default: {  // re^2, im^2
            const float re = small(r), im = small(r);
            return std::pair{soft::Mul(soft::FromFloat(re, g), soft::FromFloat(re, g), g),
                             soft::Mul(soft::FromFloat(im, g), soft::FromFloat(im, g), g)};
          }
        }
      },
      random_);
}

TEST_F(Differential, LoadingFloats) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    volatile float x = AnyFloat(random_);
    unsigned flags = 0;
    const soft::Value sw = soft::FromFloat(x, flags);
    const Outcome<long double> hw = HwFromFloat(&x);
    if (!SameImage(hw.value, sw) || hw.flags != flags) {
      ADD_FAILURE() << std::hex << std::bit_cast<std::uint32_t>(static_cast<float>(x)) << ": x87 "
                    << Show(Image(hw.value)) << ", software " << Show(soft::ToBits(sw));
      ++failures;
    }
  }
}

TEST_F(Differential, StoringAsFloat) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    // Around the float's range: subnormals, ties, overflow.
    const soft::Value v = AnyExtended(random_, -155, 129);
    unsigned flags = 0;
    const float sw = soft::ToFloat(v, flags);
    const Outcome<float> hw = HwToFloat(Hw(v));
    if (std::bit_cast<std::uint32_t>(hw.value) != std::bit_cast<std::uint32_t>(sw) ||
        hw.flags != flags) {
      ADD_FAILURE() << Show(soft::ToBits(v)) << ": x87 " << std::hex
                    << std::bit_cast<std::uint32_t>(hw.value) << " flags " << hw.flags
                    << ", software " << std::bit_cast<std::uint32_t>(sw) << " flags " << flags;
      ++failures;
    }
  }
}

TEST_F(Differential, RoundingToInt64) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    const soft::Value v = AnyExtended(random_, -3, 65);
    unsigned flags = 0;
    const std::int64_t sw = soft::ToInt64(v, flags);
    const Outcome<std::int64_t> hw = HwToInt64(Hw(v));
    if (hw.value != sw || hw.flags != flags) {
      ADD_FAILURE() << Show(soft::ToBits(v)) << ": x87 " << hw.value << " flags " << hw.flags
                    << ", software " << sw << " flags " << flags;
      ++failures;
    }
  }
}

// Any 80-bit pattern, the encodings the unit does not take as numbers
// (unnormals, pseudo-NaNs, pseudo-infinities) and pseudo-denormals among
// them, beside NaNs of both kinds and ordinary values.
soft::Bits80 AnyEncoding(std::mt19937_64& r) {
  const std::uint64_t bits = r();
  const std::uint16_t sign = static_cast<std::uint16_t>((bits & 1) << 15);
  std::uint64_t sig = r();
  std::uint16_t field = static_cast<std::uint16_t>(16383 - 40 + (bits >> 1) % 80);
  switch ((bits >> 8) % 6) {
    case 0:  // unnormal, or a pseudo-zero
      sig = (bits >> 12) % 4 == 0 ? 0 : sig & ~soft::kTop;
      break;
    case 1:  // pseudo-NaN or pseudo-infinity
      field = 0x7FFF;
      sig &= (bits >> 12) % 4 == 0 ? 0 : ~soft::kTop;
      break;
    case 2:  // NaN of either kind
      field = 0x7FFF;
      sig |= soft::kTop | 1;
      break;
    case 3:  // denormal or pseudo-denormal
      field = 0;
      break;
    default:
      sig |= soft::kTop;
      break;
  }
  return soft::Bits80{static_cast<std::uint16_t>(sign | field), sig};
}

long double HwOf(const soft::Bits80& b) {
  long double x = 0;
  std::memcpy(&x, &b.significand, 8);
  std::memcpy(reinterpret_cast<unsigned char*>(&x) + 8, &b.signExponent, 2);
  return x;
}

TEST_F(Differential, EveryEncodingAsAnOperand) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    const soft::Bits80 ab = AnyEncoding(random_), bb = AnyEncoding(random_);
    const soft::Value a = soft::FromBits(ab), b = soft::FromBits(bb);
    const std::string operands = Show(ab) + ", " + Show(bb);
    unsigned flags = 0;
    const soft::Value sum = soft::Add(a, b, flags);
    Outcome<long double> hw = HwAdd(HwOf(ab), HwOf(bb));
    if (!SameImage(hw.value, sum) || hw.flags != flags) {
      ADD_FAILURE() << operands << " +: x87 " << Show(Image(hw.value)) << " flags " << hw.flags
                    << ", software " << Show(soft::ToBits(sum)) << " flags " << flags;
      ++failures;
    }
    flags = 0;
    const soft::Value product = soft::Mul(a, b, flags);
    hw = HwMul(HwOf(ab), HwOf(bb));
    if (!SameImage(hw.value, product) || hw.flags != flags) {
      ADD_FAILURE() << operands << " *: x87 " << Show(Image(hw.value)) << " flags " << hw.flags
                    << ", software " << Show(soft::ToBits(product)) << " flags " << flags;
      ++failures;
    }
    flags = 0;
    const bool less = soft::Less(a, b, flags);
    const Outcome<bool> hwLess = HwLess(HwOf(ab), HwOf(bb));
    if (hwLess.value != less || hwLess.flags != flags) {
      ADD_FAILURE() << operands << " <: x87 " << hwLess.value << " flags " << hwLess.flags
                    << ", software " << less << " flags " << flags;
      ++failures;
    }
    flags = 0;
    const float narrow = soft::ToFloat(a, flags);
    const Outcome<float> hwNarrow = HwToFloat(HwOf(ab));
    if (std::bit_cast<std::uint32_t>(hwNarrow.value) != std::bit_cast<std::uint32_t>(narrow) ||
        hwNarrow.flags != flags) {
      ADD_FAILURE() << Show(ab) << " as float: x87 " << std::hex
                    << std::bit_cast<std::uint32_t>(hwNarrow.value) << " flags " << hwNarrow.flags
                    << ", software " << std::bit_cast<std::uint32_t>(narrow) << " flags " << flags;
      ++failures;
    }
  }
}

TEST_F(Differential, Comparing) {
  int failures = 0;
  for (int i = 0; i < kOperands && failures < 10; ++i) {
    const soft::Value a = AnyExtended(random_, -3, 3);
    soft::Value b = (random_() & 7) == 0 ? a : AnyExtended(random_, -3, 3);
    if ((random_() & 15) == 0) b.neg ^= 1;
    unsigned flags = 0;
    const bool sw = soft::Less(a, b, flags);
    const Outcome<bool> hw = HwLess(Hw(a), Hw(b));
    if (hw.value != sw || hw.flags != flags) {
      ADD_FAILURE() << Show(soft::ToBits(a)) << " < " << Show(soft::ToBits(b)) << ": x87 "
                    << hw.value << ", software " << sw;
      ++failures;
    }
  }
}

}  // namespace

#endif
