#include <gtest/gtest.h>

#include "app/display.hpp"
#include "float_bits.hpp"

namespace {

const float kStart = FromBits(app::kStartScaleBits);

TEST(Zoom, StepIsTheExtendedTenth) {
  const auto bits = extended::ToBits(app::ZoomStep());
  EXPECT_EQ(bits.significand, 0xCCCCCCCCCCCCCCCDull);
  EXPECT_EQ(bits.signExponent, 0x3FFBu);  // sign bit clear
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
