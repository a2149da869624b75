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

// Start values of size 6 or more escape before the first step (36 >= 32):
// with one step of 1 along one axis and none along the other, the cells far
// out on that axis give 64 and the map is the same along the other axis.
TEST(JuliaMapView, EachStepAndOffsetMovesItsOwnAxis) {
  maparr along_x{};
  CREATE_MANDEL(1.0f, 0.0f, 0.0f, 0.0f, along_x);
  maparr along_y{};
  CREATE_MANDEL(0.0f, 1.0f, 0.0f, 0.0f, along_y);
  for (int x = -80; x <= 79; ++x)
    for (int y = -50; y <= 49; ++y) {
      const int cx = along_x[x + 80][y + 50];
      const int cy = along_y[x + 80][y + 50];
      ASSERT_EQ(cx, along_x[x + 80][0]) << "(" << x << ", " << y << ")";
      ASSERT_EQ(cy, along_y[0][y + 50]) << "(" << x << ", " << y << ")";
      if (x <= -6 || x >= 6) {
        ASSERT_EQ(cx, 64) << "(" << x << ", " << y << ")";
      }
      if (y <= -6 || y >= 6) {
        ASSERT_EQ(cy, 64) << "(" << x << ", " << y << ")";
      }
    }
  // Near the origin the start value is small and takes steps to escape.
  EXPECT_NE(along_x[80][50], 64);
  EXPECT_NE(along_y[80][50], 64);

  // Each offset moves the whole grid: far enough out, every cell escapes at once.
  maparr moved{};
  CREATE_MANDEL(0.0f, 0.0f, 10.0f, 0.0f, moved);
  EXPECT_EQ(moved[0][0], 64);
  EXPECT_EQ(moved[159][99], 64);
  CREATE_MANDEL(0.0f, 0.0f, 0.0f, -10.0f, moved);
  EXPECT_EQ(moved[0][0], 64);
  EXPECT_EQ(moved[159][99], 64);
  CREATE_MANDEL(0.0f, 0.0f, 0.0f, 0.0f, moved);
  EXPECT_EQ(moved[0][0], along_x[80][50]);
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
