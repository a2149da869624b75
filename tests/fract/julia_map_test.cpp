#include <gtest/gtest.h>

#include <cstring>

#include "float_bits.hpp"
#include "fract/fract.hpp"

namespace {

class JuliaMap : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::memset(&map_, 0xAB, sizeof map_);  // nothing may survive from before
    CREATE_MANDEL(0.02f, 0.02f, 0.2f, 0.0f, map_);
  }
  static int Cell(int x, int y) { return map_[x + 80][y + 50]; }
  static maparr map_;
};
maparr JuliaMap::map_;

TEST_F(JuliaMap, ViewParametersHaveTheirBitPatterns) {
  EXPECT_EQ(Bits(0.02f), 0x3CA3D70Au);
  EXPECT_EQ(Bits(0.2f), 0x3E4CCCCDu);
}

TEST_F(JuliaMap, EveryCellIsNeverEscapedOrAnEscapeValue) {
  for (int x = -80; x <= 79; ++x)
    for (int y = -50; y <= 49; ++y) {
      const int v = Cell(x, y);
      EXPECT_TRUE(v == 15 || (v >= 49 && v <= 64)) << "(" << x << ", " << y << ") = " << v;
    }
}

TEST_F(JuliaMap, OriginNeverEscapes) { EXPECT_EQ(Cell(0, 0), 15); }

TEST_F(JuliaMap, CornersEscapeAfterTwoSteps) {
  EXPECT_EQ(Cell(-80, -50), 62);
  EXPECT_EQ(Cell(79, 49), 62);
}

TEST_F(JuliaMap, EscapeCountsWrapModuloSixteen) {
  EXPECT_EQ(Cell(-16, -46), 49);  // 15 steps
  EXPECT_EQ(Cell(-13, -47), 64);  // 16
  EXPECT_EQ(Cell(0, -43), 63);    // 17
  EXPECT_EQ(Cell(-4, -25), 64);   // 48
  EXPECT_EQ(Cell(20, -39), 63);   // 49
}

TEST_F(JuliaMap, ZIsRoundedToFloatAfterEveryStep) {
  // Carried in double between steps these would take 16 steps (64).
  EXPECT_EQ(Cell(9, -34), 49);
  EXPECT_EQ(Cell(-29, 34), 49);
}

TEST_F(JuliaMap, StartValueNearZeroIsTwoToTheMinus27) {
  using extended::FromFloat;
  const float re = extended::ToFloat(extended::FromInt(-10) * FromFloat(0.02f) + FromFloat(0.2f));
  EXPECT_EQ(Bits(re), Bits(0x1p-27f));
  EXPECT_EQ(Cell(-10, 0), 15);
}

TEST_F(JuliaMap, CellsLieColumnByColumn) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&map_);
  EXPECT_EQ(sizeof map_, 16000u);
  EXPECT_EQ(bytes[(-16 + 80) * 100 + (-46 + 50)], 49);
  EXPECT_EQ(bytes[80 * 100 + 50], 15);
}

}  // namespace
