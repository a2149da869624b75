#include "app/scene.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>

#include "float_bits.hpp"

namespace {

class Scene : public testing::Test {
 protected:
  static void SetUpTestSuite() { app::SetUpScene(); }
  static float P(std::size_t n, int e) { return app::points[4 * n + e]; }
  static void ExpectPoint(std::size_t n, float x, float y, float z, float c) {
    EXPECT_EQ(Bits(P(n, 0)), Bits(x)) << "point " << n;
    EXPECT_EQ(Bits(P(n, 1)), Bits(y)) << "point " << n;
    EXPECT_EQ(Bits(P(n, 2)), Bits(z)) << "point " << n;
    EXPECT_EQ(Bits(P(n, 3)), Bits(c)) << "point " << n;
  }
};

TEST_F(Scene, ViewParameters) {
  EXPECT_EQ(Bits(app::xstep), 0x3CA3D70Au);
  EXPECT_EQ(Bits(app::ystep), 0x3CA3D70Au);
  EXPECT_EQ(Bits(app::xoff), 0x3E4CCCCDu);
  EXPECT_EQ(Bits(app::yoff), 0x00000000u);
  EXPECT_EQ(app::pointcount, 16000);
}

TEST_F(Scene, KnownPoints) {
  ExpectPoint(0, -80, -50, 62, 62);
  ExpectPoint(15999, 79, 49, 62, 62);
  ExpectPoint(8050, 0, 0, 15, 15);
  ExpectPoint(6404, -16, -46, 49, 49);
}

TEST_F(Scene, XRunsInBlocksOfAHundredAndYWithinThem) {
  for (std::size_t n = 0; n < 16000; ++n) {
    ASSERT_EQ(P(n, 0), static_cast<float>(static_cast<int>(n / 100) - 80)) << n;
    ASSERT_EQ(P(n, 1), static_cast<float>(static_cast<int>(n % 100) - 50)) << n;
  }
}

TEST_F(Scene, HeightAndColourComeFromTheMapByte) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&app::map);
  for (std::size_t n = 0; n < 16000; ++n) {
    ASSERT_EQ(Bits(P(n, 2)), Bits(P(n, 3))) << n;
    ASSERT_EQ(P(n, 2), static_cast<float>(bytes[n])) << n;
    const float v = P(n, 2);
    ASSERT_TRUE(v == 15 || (v >= 49 && v <= 64)) << n;
  }
}

TEST_F(Scene, SetUpWritesTheCloudAndNothingBeyondIt) {
  // A value no element of the cloud can take: every one set-up writes
  // replaces it, and every one it leaves alone keeps it.
  constexpr float kUntouched = -0.5f;
  app::points.fill(kUntouched);
  app::SetUpScene();
  std::size_t unwritten = 0;
  for (std::size_t i = 0; i < 64000; ++i) unwritten += Bits(app::points[i]) == Bits(kUntouched);
  std::size_t overwritten = 0;
  for (std::size_t i = 64000; i < kPixelArrSize; ++i) {
    overwritten += Bits(app::points[i]) != Bits(kUntouched);
  }
  EXPECT_EQ(unwritten, 0u);
  EXPECT_EQ(overwritten, 0u);
  // The rest of the cloud is zero in the program; leave it so for the others.
  std::fill(app::points.begin() + 64000, app::points.end(), 0.0f);
}

}  // namespace
