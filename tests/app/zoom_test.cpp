#include <gtest/gtest.h>

#include <cstring>

#include "app/display.hpp"
#include "float_bits.hpp"

namespace {

const float kStart = FromBits(app::kStartScaleBits);

TEST(Zoom, StepIsTheExtendedTenth) {
  unsigned char bytes[sizeof(long double)] = {};
  const long double step = app::kZoomStep;
  std::memcpy(bytes, &step, 10);
  std::uint64_t significand = 0;
  std::memcpy(&significand, bytes, 8);
  const unsigned exponent = bytes[8] | (bytes[9] << 8);
  EXPECT_EQ(significand, 0xCCCCCCCCCCCCCCCDull);
  EXPECT_EQ(exponent, 0x3FFBu);  // sign bit clear
}

TEST(Zoom, OneStepEachWay) {
  EXPECT_EQ(Bits(app::ZoomIn(kStart)), 0x40345EBAu);
  EXPECT_EQ(Bits(app::ZoomOut(kStart)), 0x402791EEu);
  EXPECT_EQ(Bits(app::ZoomOut(app::ZoomIn(kStart))), Bits(kStart));
  EXPECT_EQ(Bits(app::ZoomIn(app::ZoomOut(kStart))), Bits(kStart));
}

TEST(Zoom, ZoomingOutPassesZeroWithoutStopping) {
  float s = kStart;
  for (int i = 0; i < 26; ++i) s = app::ZoomOut(s);
  EXPECT_EQ(Bits(s), 0x3DF23DDFu);
  s = app::ZoomOut(s);
  EXPECT_EQ(Bits(s), 0x3C95C449u);
  s = app::ZoomOut(s);
  EXPECT_EQ(Bits(s), 0xBDA75BBBu);
  for (int i = 0; i < 28; ++i) s = app::ZoomIn(s);
  EXPECT_EQ(Bits(s), Bits(kStart));
}

}  // namespace
