// The extended format's operations, through the interface the program uses:
// the same expectations hold for the x87 and the software implementation.
#include "extended/extended.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "float_bits.hpp"

namespace {

using extended::Extended;
using extended::FromFloat;
using extended::FromInt;
using extended::RoundToInt64;
using extended::ToFloat;

struct Image {
  std::uint16_t signExponent;
  std::uint64_t significand;
  bool operator==(const Image&) const = default;
};
Image ImageOf(Extended e) {
  const auto b = extended::ToBits(e);
  return Image{b.signExponent, b.significand};
}
void PrintTo(const Image& i, std::ostream* os) {
  *os << std::hex << i.signExponent << ":" << i.significand;
}

// The value of an 80-bit image.
Extended Ext80(std::uint16_t signExponent, std::uint64_t significand) {
  return extended::FromBits(signExponent, significand);
}

constexpr std::uint64_t kOne = 0x8000000000000000u;
Extended One() { return Ext80(0x3FFF, kOne); }
// 2^e.
Extended Power(int e) { return Ext80(static_cast<std::uint16_t>(0x3FFF + e), kOne); }

TEST(ExtendedConversion, FloatsAreExactIncludingSubnormalsAndSignedZero) {
  EXPECT_EQ(ImageOf(FromFloat(1.0f)), (Image{0x3FFF, kOne}));
  EXPECT_EQ(ImageOf(FromFloat(-0.0f)), (Image{0x8000, 0}));
  EXPECT_EQ(ImageOf(FromFloat(FromBits(0x3F800001u))), (Image{0x3FFF, kOne | (1ull << 40)}));
  EXPECT_EQ(ImageOf(FromFloat(FromBits(0x00000001u))), (Image{0x3FFF - 149, kOne}));  // 2^-149
  EXPECT_EQ(ImageOf(FromFloat(FromBits(0x007FFFFFu))),
            (Image{0x3FFF - 127, 0xFFFFFE0000000000u}));                        // largest subnormal
  EXPECT_EQ(ImageOf(FromFloat(FromBits(0x7F800000u))), (Image{0x7FFF, kOne}));  // infinity
}

TEST(ExtendedConversion, Int32IsExact) {
  EXPECT_EQ(ImageOf(FromInt(0)), (Image{0, 0}));
  EXPECT_EQ(ImageOf(FromInt(-80)), (Image{0xC005, 0xA000000000000000u}));
  EXPECT_EQ(ImageOf(FromInt(INT32_MIN)), (Image{0xC01E, kOne}));
  EXPECT_EQ(ImageOf(FromInt(INT32_MAX)), (Image{0x401D, 0xFFFFFFFE00000000u}));
}

TEST(ExtendedArithmetic, SumsRoundOnceToNearestEven) {
  // 1 + 2^-64 is halfway between 1 and 1 + 2^-63: even is 1.
  EXPECT_EQ(ImageOf(One() + Power(-64)), (Image{0x3FFF, kOne}));
  // 1 + 2^-63 + 2^-64: halfway, even is 1 + 2^-62.
  EXPECT_EQ(ImageOf(Ext80(0x3FFF, kOne | 1) + Power(-64)), (Image{0x3FFF, kOne | 2}));
  // Just above halfway: up.
  EXPECT_EQ(ImageOf(One() + Power(-64) + Power(-100)), (Image{0x3FFF, kOne}));  // left first
  EXPECT_EQ(ImageOf(One() + (Power(-64) + Power(-100))), (Image{0x3FFF, kOne | 1}));
  // A carry out of the significand.
  EXPECT_EQ(ImageOf(Ext80(0x3FFF, ~0ull) + Power(-64)), (Image{0x4000, kOne}));
}

TEST(ExtendedArithmetic, DifferencesCancelExactlyToPositiveZero) {
  EXPECT_EQ(ImageOf(Ext80(0x3FFF, kOne | 1) - One()), (Image{0x3FFF - 63, kOne}));
  EXPECT_EQ(ImageOf(FromFloat(2.5f) - FromFloat(2.5f)), (Image{0, 0}));
  EXPECT_EQ(ImageOf(FromFloat(-0.0f) - FromFloat(0.0f)), (Image{0x8000, 0}));
  // Far apart: 1 - 2^-70 rounds back to 1; 1 - 2^-64 is the largest below 1.
  EXPECT_EQ(ImageOf(One() - Power(-70)), (Image{0x3FFF, kOne}));
  EXPECT_EQ(ImageOf(One() - Power(-64)), (Image{0x3FFE, ~0ull}));
}

TEST(ExtendedArithmetic, ProductsOfFloatsAreExactAndWiderOnesRoundOnce) {
  const float a = FromBits(0x3F800001u);  // 1 + 2^-23
  EXPECT_EQ(ImageOf(FromFloat(a) * FromFloat(a)),
            (Image{0x3FFF, kOne | (1ull << 41) | 1ull << 17}));
  // (1 + 2^-32)^2 = 1 + 2^-31 + 2^-64: halfway, even is 1 + 2^-31.
  const Extended b = Ext80(0x3FFF, kOne | (1ull << 31));
  EXPECT_EQ(ImageOf(b * b), (Image{0x3FFF, kOne | (1ull << 32)}));
  // (1 + 2^-63)^2 = 1 + 2^-62 + 2^-126: rounds down to 1 + 2^-62.
  const Extended c = Ext80(0x3FFF, kOne | 1);
  EXPECT_EQ(ImageOf(c * c), (Image{0x3FFF, kOne | 2}));
  EXPECT_EQ(ImageOf(FromFloat(-2.0f) * FromFloat(0.0f)), (Image{0x8000, 0}));
}

TEST(ExtendedCompare, OrdersValuesAndEqualZeros) {
  EXPECT_TRUE(FromFloat(31.999998f) < FromFloat(32.0f));
  EXPECT_FALSE(FromFloat(32.0f) < FromFloat(32.0f));
  EXPECT_TRUE(FromFloat(-1.0f) < FromFloat(-0.5f));
  EXPECT_FALSE(FromFloat(-0.0f) < FromFloat(0.0f));
  EXPECT_FALSE(FromFloat(0.0f) < FromFloat(-0.0f));
  EXPECT_TRUE(FromFloat(-0.0f) < Power(-16000));
  EXPECT_TRUE(One() < Ext80(0x3FFF, kOne | 1));
}

TEST(ExtendedToFloat, RoundsTheSixtyFourBitValueToNearestEven) {
  EXPECT_EQ(Bits(ToFloat(One() + Power(-24))), 0x3F800000u);  // halfway: even
  EXPECT_EQ(Bits(ToFloat(One() + Power(-24) + Power(-60))), 0x3F800001u);
  EXPECT_EQ(Bits(ToFloat(FromFloat(FromBits(0x3F800001u)) + Power(-24))), 0x3F800002u);
  EXPECT_EQ(Bits(ToFloat(FromFloat(-3.0f) - Power(-23))), 0xC0400000u);
}

TEST(ExtendedToFloat, TinyValuesBecomeSubnormalsOrZero) {
  EXPECT_EQ(Bits(ToFloat(Power(-149) + Power(-150))), 0x00000002u);  // 1.5 * 2^-149: even
  EXPECT_EQ(Bits(ToFloat(Power(-150))), 0x00000000u);                // halfway to zero
  EXPECT_EQ(Bits(ToFloat(Power(-150) + Power(-170))), 0x00000001u);
  EXPECT_EQ(Bits(ToFloat(FromFloat(0.0f) - Power(-200))), 0x80000000u);
  EXPECT_EQ(Bits(ToFloat(Power(-127) + Power(-127))), 0x00800000u);  // up to the smallest normal
  EXPECT_EQ(Bits(ToFloat(Power(-126) - Power(-151))), 0x00800000u);  // rounds up to normal
}

TEST(ExtendedToFloat, LargestFloatStaysJustBelowOverflow) {
  const Extended max = FromFloat(FromBits(0x7F7FFFFFu));
  EXPECT_EQ(Bits(ToFloat(max + Power(102))), 0x7F7FFFFFu);  // a quarter ulp above
  EXPECT_EQ(Bits(ToFloat(FromFloat(FromBits(0xFF800000u)))), 0xFF800000u);
}

TEST(ExtendedToInt64, RoundsToNearestEven) {
  EXPECT_EQ(RoundToInt64(FromFloat(2.5f)), 2);
  EXPECT_EQ(RoundToInt64(FromFloat(3.5f)), 4);
  EXPECT_EQ(RoundToInt64(FromFloat(-2.5f)), -2);
  EXPECT_EQ(RoundToInt64(FromFloat(0.5f)), 0);
  EXPECT_EQ(RoundToInt64(FromFloat(-0.5000001f)), -1);
  EXPECT_EQ(RoundToInt64(FromFloat(14.5f)), 14);
  EXPECT_EQ(RoundToInt64(FromFloat(15.5f)), 16);
  EXPECT_EQ(RoundToInt64(Power(-10000)), 0);
  EXPECT_EQ(RoundToInt64(FromInt(INT32_MIN) * FromInt(INT32_MIN) * FromInt(-2)), INT64_MIN);
  EXPECT_EQ(RoundToInt64(Ext80(0x403D, ~1ull)), INT64_MAX);              // 2^63 - 1
  EXPECT_EQ(RoundToInt64(Ext80(0x403C, ~1ull)), std::int64_t{1} << 62);  // 2^62 - 0.5: even
}

// Sine and cosine of floats, as their exact values rounded once to the
// 64-bit significand.
struct TrigCase {
  std::uint32_t angle;
  std::uint16_t sinSignExponent;
  std::uint64_t sin;
  std::uint16_t cosSignExponent;
  std::uint64_t cos;
};
constexpr TrigCase kTrigCases[] = {
    {0x3CA3D70A, 0x3FF9, 0xA3D43E2FBD44A69A, 0x3FFE, 0xFFF2E4AB36411BBB},  // 0.019999999552965164
    {0x3C23D70A, 0x3FF8, 0xA3D6570B3F65B525, 0x3FFE, 0xFFFCB9256F3273A0},  // 0.009999999776482582
    {0xBC23D70A, 0xBFF8, 0xA3D6570B3F65B525, 0x3FFE, 0xFFFCB9256F3273A0},  // -0.009999999776482582
    {0x3F800000, 0x3FFE, 0xD76AA47848677021, 0x3FFE, 0x8A51407DA8345C92},  // 1.0
    {0xC0200000, 0xBFFE, 0x9935786E7E558405, 0xBFFE, 0xCD17BF7C2C5BE958},  // -2.5
    {0x3F490FDA, 0x3FFE, 0xB504F2C1551CA2A3, 0x3FFE, 0xB504F3A69E9FDDCA},  // 0.7853981256484985
    {0x3F490FDB, 0x3FFE, 0xB504F3765A0FEEBF, 0x3FFE, 0xB504F2F199ACC1F3},  // 0.7853981852531433
    {0x3FC90FDB, 0x3FFE, 0xFFFFFFFFFFFFBB29, 0xBFE6, 0xBBBD2E7B96766267},  // 1.5707963705062866
    {0x40490FDB, 0xBFE7, 0xBBBD2E7B96762FEB, 0xBFFE, 0xFFFFFFFFFFFEECA4},  // 3.1415927410125732
    {0x40C90FDB, 0x3FE8, 0xBBBD2E7B967565FB, 0x3FFE, 0xFFFFFFFFFFFBB291},  // 6.2831854820251465
    {0x42C80000, 0xBFFE, 0x81A12DBC626DC038, 0x3FFE, 0xDCC0EDFB32FEFB20},  // 100.0
    {0x43B18000, 0xBFEF, 0xFCDE8183E8EF14ED, 0xBFFE, 0xFFFFFFFE0C725F3D},  // 355.0
    {0x4B800000, 0xBFFE, 0xC7917C219EB76FF5, 0x3FFE, 0xA056B3F9F864D0A2},  // 16777216.0
    {0x501502F9, 0xBFFD, 0xF99A63C4B5271A66, 0x3FFE, 0xDF84C480E498CC19},  // 10000000000.0
    {0xF149F2CA, 0x3FFE, 0xCA89AFE63E29DF78, 0xBFFE,
     0x9C922197726C3619},  // -1.0000000150474662e+30
    {0x7F7FFFFF, 0xBFFE, 0x8599B32844ABA907, 0x3FFE, 0xDA5F963CDEFE6D53},  // 3.4028234663852886e+38
    {0x00000001, 0x3F6A, 0x8000000000000000, 0x3FFF, 0x8000000000000000},  // 1.401298464324817e-45
    // cos(k * 2^-32), k odd, lies just above a rounding midpoint (k^4 2^-128 / 24 above it),
    // and its neighbours: the first approximation cannot tell which way these round.
    {0x2F800000, 0x3FDF, 0x8000000000000000, 0x3FFF, 0x8000000000000000},  // 2^-32
    {0x30400000, 0x3FE0, 0xBFFFFFFFFFFFFFFF, 0x3FFE, 0xFFFFFFFFFFFFFFFC},  // 3 * 2^-32
    {0x30A00000, 0x3FE1, 0x9FFFFFFFFFFFFFFD, 0x3FFE, 0xFFFFFFFFFFFFFFF4},  // 5 * 2^-32
    {0x30E00000, 0x3FE1, 0xDFFFFFFFFFFFFFF9, 0x3FFE, 0xFFFFFFFFFFFFFFE8},  // 7 * 2^-32
    {0x30000000, 0x3FDF, 0xFFFFFFFFFFFFFFFF, 0x3FFE, 0xFFFFFFFFFFFFFFFE},  // 2^-31
    {0x2FC00000, 0x3FDF, 0xC000000000000000, 0x3FFE, 0xFFFFFFFFFFFFFFFF},  // 3 * 2^-33
    {0x2F800001, 0x3FDF, 0x8000010000000000, 0x3FFE, 0xFFFFFFFFFFFFFFFF},  // 2^-32 + 1 ulp
    {0x2F7FFFFF, 0x3FDE, 0xFFFFFF0000000000, 0x3FFF, 0x8000000000000000},  // 2^-32 - 1 ulp
};

TEST(ExtendedTrig, CorrectlyRoundedFromSmallAnglesToTheLargestFloat) {
  for (const TrigCase& c : kTrigCases) {
    SCOPED_TRACE(testing::Message() << "angle 0x" << std::hex << c.angle);
    EXPECT_EQ(ImageOf(extended::Sin(FromBits(c.angle))), (Image{c.sinSignExponent, c.sin}));
    EXPECT_EQ(ImageOf(extended::Cos(FromBits(c.angle))), (Image{c.cosSignExponent, c.cos}));
  }
}

TEST(ExtendedTrig, AnglesNearAMidpointTakeTheWiderApproximation) {
  // Only these need it: a check that let every angle through would still
  // round the easy ones right and these by luck.
  const std::uint64_t before = extended::soft::SlowEvaluations();
  for (const std::uint32_t angle : {0x2F800000u, 0x30400000u, 0x30A00000u}) {
    (void)extended::Cos(FromBits(angle));
  }
  EXPECT_EQ(extended::soft::SlowEvaluations() - before, 3u);
  (void)extended::Cos(FromBits(0x30E00000u));  // 7 * 2^-32: 100 units from it
  (void)extended::Sin(FromBits(0x2F800000u));
  EXPECT_EQ(extended::soft::SlowEvaluations() - before, 3u);
}

TEST(ExtendedTrig, ZeroGivesExactResults) {
  EXPECT_EQ(ImageOf(extended::Sin(0.0f)), (Image{0, 0}));
  EXPECT_EQ(ImageOf(extended::Sin(-0.0f)), (Image{0x8000, 0}));
  EXPECT_EQ(ImageOf(extended::Cos(-0.0f)), (Image{0x3FFF, kOne}));
}

TEST(ExtendedTrig, SineIsOddAndCosineEven) {
  for (const float x : {0.3f, 1.7f, 2.9f, 4.4f, 5.9f, 1234.5f, -7e20f}) {
    EXPECT_EQ(ImageOf(extended::Sin(-x)), ImageOf(FromFloat(0.0f) - extended::Sin(x))) << x;
    EXPECT_EQ(ImageOf(extended::Cos(-x)), ImageOf(extended::Cos(x))) << x;
  }
}

}  // namespace
