// Golden frames: hashes of the height map, of the cloud and of the picture
// after 1 to 10,000 frames, and of the PutPixel calls of the first frames.
// The values were taken once from the x87 build; every target and both
// implementations of the extended arithmetic must reproduce them bit for bit.
#include "golden_frame/golden_frames.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "app/scene.hpp"

namespace {

std::string Hex(std::uint64_t v) {
  char text[19];
  std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(v));
  return text;
}

class GoldenFrames : public testing::Test {
 protected:
  void TearDown() override { golden::Stop(); }
};

// The map the program computes at start, and so the cloud's starting heights
// and colours.
TEST_F(GoldenFrames, HeightMap) {
  app::SetUpScene();
  EXPECT_EQ(Hex(golden::MapHash(app::map)), "0xB8AD4E5CE088B025");
}

golden::Fnv1a calls;
int callCount = 0;
void Record(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  calls.Add16(static_cast<std::uint16_t>(x));
  calls.Add16(static_cast<std::uint16_t>(y));
  calls.Add16(colour);
  ++callCount;
  golden::Paint(x, y, colour);
}

// Every call of the first three frames, in order: position and colour.
TEST_F(GoldenFrames, PutPixelCallsOfTheFirstThreeFrames) {
  calls = {};
  callCount = 0;
  golden::Start(&Record);
  const char* const expected[] = {"0x3D69BF0A4629B291", "0xB539EA15A55FFF85", "0xEB1DDED3A18E3C3F"};
  for (int frame = 1; frame <= 3; ++frame) {
    golden::Frame();
    EXPECT_EQ(Hex(calls.value), expected[frame - 1]) << "calls up to frame " << frame;
  }
  EXPECT_EQ(callCount, 3 * 2 * 11302);  // an erase and a draw per visible point
}

struct Checkpoint {
  int frame;
  const char* cloud;
  const char* picture;
};

// The rotation accumulates in the stored floats, so a single rounding that
// differs anywhere shows in every later checkpoint; the first one that fails
// says when.
void ExpectCheckpoints(std::initializer_list<Checkpoint> checkpoints) {
  golden::Start();
  for (const Checkpoint& c : checkpoints) {
    golden::RunUntilFrame(c.frame);
    EXPECT_EQ(Hex(golden::CloudHash()), c.cloud) << "cloud after frame " << c.frame;
    EXPECT_EQ(Hex(golden::PictureHash()), c.picture) << "picture after frame " << c.frame;
  }
}

TEST_F(GoldenFrames, CloudAndPictureAfterOneToAThousandFrames) {
  ExpectCheckpoints({
      {1, "0xC5D98B59DAA633D2", "0x8023F829FDC57D9D"},
      {10, "0xF6B05C80110EC66E", "0x805105D0A8BE8DAC"},
      {100, "0x4754AD733FF2E682", "0xB9687730C45D74BF"},
      {1000, "0x33ED44FF5109FB43", "0x405B86CDFA6996AE"},
  });
}

TEST_F(GoldenFrames, CloudAndPictureAfterTenThousandFrames) {
#if defined(FRACTALS_EMULATED_TESTS)
  GTEST_SKIP() << "10,000 frames take minutes under the emulator";
#endif
  ExpectCheckpoints({{10000, "0x0B0EDD7566BFF5A6", "0x55D0D7646C811653"}});
}

}  // namespace
