#include "app/renderer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "float_bits.hpp"
#include "frame_ahead.hpp"
#include "graph/graph.hpp"

namespace {

struct Pixel {
  std::int16_t x;
  std::int16_t y;
  std::uint16_t colour;
  bool operator==(const Pixel&) const = default;
};

std::vector<Pixel> calls;
void Record(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  calls.push_back({x, y, colour});
}

// The renderer draws into a recording slot; each test gets a fresh cloud.
class Renderer : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = graph::PutPixel;
    graph::PutPixel = &Record;
    calls.clear();
    cloud_ = std::make_unique<tpixelarr>();
  }
  void TearDown() override { graph::PutPixel = saved_; }

  void SetPoint(std::size_t n, float x, float y, float z, float c) {
    (*cloud_)[4 * n] = x;
    (*cloud_)[4 * n + 1] = y;
    (*cloud_)[4 * n + 2] = z;
    (*cloud_)[4 * n + 3] = c;
  }
  std::uint32_t B(std::size_t n, int e) const { return Bits((*cloud_)[4 * n + e]); }
  void Frame(float scale, std::int32_t count, float ax = 0.02f, float ay = 0.01f, float az = 0.01f,
             std::int32_t cx = 399, std::int32_t cy = 299) {
    DRAW_AND_CALC(cx, cy, *cloud_, scale, count, ax, ay, az);
  }

  std::unique_ptr<tpixelarr> cloud_;
  void (*saved_)(std::int16_t, std::int16_t, std::uint16_t) = nullptr;
};

const float kScale = FromBits(0x402DF854u);  // 2.7182817

TEST_F(Renderer, WorkedExample) {
  SetPoint(0, -80, -50, 62, 62);
  SetPoint(1, 79, 49, 62, 62);
  Frame(kScale, 2);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0], (Pixel{182, 163, 0}));
  EXPECT_EQ(calls[1], (Pixel{181, 158, 126}));
  EXPECT_EQ(calls[2], (Pixel{614, 432, 0}));
  EXPECT_EQ(calls[3], (Pixel{611, 431, 126}));
  EXPECT_EQ(B(0, 0), 0xC2A02DD9u);
  EXPECT_EQ(B(0, 1), 0xC2502234u);
  EXPECT_EQ(B(0, 2), 0x4270BD10u);
  EXPECT_EQ(B(1, 0), 0x429BC51Bu);
  EXPECT_EQ(B(1, 1), 0x4242204Du);
  EXPECT_EQ(B(1, 2), 0x427F047Bu);
  EXPECT_EQ(Bits((*cloud_)[3]), Bits(62.0f));  // the colour value never changes
}

TEST_F(Renderer, NoPointsForZeroOrNegativeCount) {
  SetPoint(0, 1, 2, 3, 50);
  Frame(kScale, 0);
  Frame(kScale, -5);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ((*cloud_)[0], 1.0f);
  EXPECT_EQ((*cloud_)[1], 2.0f);
  EXPECT_EQ((*cloud_)[2], 3.0f);
}

TEST_F(Renderer, HiddenPointIsNeverTouched) {
  SetPoint(0, 7, -3, 15, 15);
  SetPoint(1, 7, -3, 15.25f, 15.4f);  // still rounds to 15
  for (int i = 0; i < 500; ++i) Frame(kScale, 2);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(B(0, 0), Bits(7.0f));
  EXPECT_EQ(B(0, 1), Bits(-3.0f));
  EXPECT_EQ(B(0, 2), Bits(15.0f));
  EXPECT_EQ(B(1, 2), Bits(15.25f));
}

TEST_F(Renderer, ColourTiesRoundToEven) {
  SetPoint(0, 0, 0, 0, 14.5f);  // R = 14: drawn in 78
  SetPoint(1, 0, 0, 0, 15.5f);  // R = 16: drawn in 80
  Frame(1.0f, 2, 0, 0, 0);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1].colour, 78);
  EXPECT_EQ(calls[3].colour, 80);
}

TEST_F(Renderer, ProjectionTiesRoundToEven) {
  SetPoint(0, 5, 0, 0, 50);   // 2.5 -> 2
  SetPoint(1, 7, 0, 0, 50);   // 3.5 -> 4
  SetPoint(2, -5, 0, 0, 50);  // -2.5 -> -2
  Frame(0.5f, 3, 0, 0, 0, 100, 100);
  ASSERT_EQ(calls.size(), 6u);
  EXPECT_EQ(calls[0].x, 102);
  EXPECT_EQ(calls[2].x, 104);
  EXPECT_EQ(calls[4].x, 98);
}

TEST_F(Renderer, ZeroAnglesKeepCoordinatesAndHitOnePixel) {
  SetPoint(0, -80.5f, 33.25f, 60, 60);
  Frame(kScale, 1, 0, 0, 0);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].x, calls[1].x);
  EXPECT_EQ(calls[0].y, calls[1].y);
  EXPECT_EQ(B(0, 0), Bits(-80.5f));
  EXPECT_EQ(B(0, 1), Bits(33.25f));
  EXPECT_EQ(B(0, 2), Bits(60.0f));
}

TEST_F(Renderer, PositionsWrapModulo65536) {
  SetPoint(0, 1, 0, 0, 50);
  Frame(65546.0f, 1, 0, 0, 0, 399, 0);  // 399 + 65546 -> 409
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].x, 409);
  calls.clear();
  Frame(32768.0f, 1, 0, 0, 0, 0, 0);  // 32768 -> -32768
  EXPECT_EQ(calls[0].x, -32768);
}

TEST_F(Renderer, NegativeScaleReflectsThroughTheCentre) {
  for (std::size_t n = 0; n < 200; ++n)
    SetPoint(n, static_cast<float>(n % 37) - 18.5f, static_cast<float>(n % 23) - 11.0f,
             static_cast<float>(n % 11), 49.0f + static_cast<float>(n % 16));
  const auto before = std::make_unique<tpixelarr>(*cloud_);
  Frame(kScale, 200);
  const std::vector<Pixel> positive = calls;
  *cloud_ = *before;
  calls.clear();
  Frame(-kScale, 200);
  ASSERT_EQ(calls.size(), positive.size());
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].x, 2 * 399 - positive[i].x) << i;
    EXPECT_EQ(calls[i].y, 2 * 299 - positive[i].y) << i;
    EXPECT_EQ(calls[i].colour, positive[i].colour) << i;
  }
}

TEST_F(Renderer, ZeroScaleDrawsEverythingAtTheCentre) {
  SetPoint(0, -80, -50, 62, 62);
  SetPoint(1, 79, 49, 62, 55);
  Frame(0.0f, 2);
  ASSERT_EQ(calls.size(), 4u);
  for (const Pixel& p : calls) {
    EXPECT_EQ(p.x, 399);
    EXPECT_EQ(p.y, 299);
  }
  EXPECT_EQ(calls.back().colour, 55 + 64);
}

// The work ahead, let finish as the pause between frames lets it.
void AwaitWorkAhead() {
  for (int i = 0; i < 10000 && !app::frame_ahead::Idle(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A cloud like the program's, with hidden points among the drawn ones.
void FillCloud(tpixelarr& cloud, int count) {
  for (int n = 0; n < count; ++n) {
    cloud[4 * n] = static_cast<float>(n % 160) - 80.0f;
    cloud[4 * n + 1] = static_cast<float>(n % 100) - 50.0f;
    cloud[4 * n + 2] = static_cast<float>(n % 57) + 0.37f;
    cloud[4 * n + 3] = n % 7 == 0 ? 15.0f : static_cast<float>(n % 48) + 16.0f;
  }
}

// Frames worked out ahead draw what frames worked out in their turn draw,
// pixel for pixel and bit for bit, also where the scale, the count, the
// angles or a point changed after the work was handed over.
TEST_F(Renderer, WorkAheadDrawsWhatTheFrameItselfDraws) {
  const bool saved = app::frame_ahead::enabled;
  const auto run = [&](bool ahead) {
    app::frame_ahead::enabled = ahead;
    FillCloud(*cloud_, 3000);
    calls.clear();
    for (int frame = 0; frame < 12; ++frame) {
      if (frame == 7) (*cloud_)[4 * 100 + 1] = 3.5f;
      const float scale = frame < 5 ? kScale : 2 * kScale;
      const float anglex = frame == 9 ? 0.03f : 0.02f;
      Frame(scale, frame == 10 ? 2000 : 3000, anglex);
      AwaitWorkAhead();
    }
    std::vector<std::uint32_t> bits;
    for (int i = 0; i < 4 * 3000; ++i) bits.push_back(Bits((*cloud_)[i]));
    return std::make_pair(calls, bits);
  };
  const auto inTurn = run(false);
  const auto ahead = run(true);
  app::frame_ahead::enabled = saved;
  ASSERT_EQ(ahead.first.size(), inTurn.first.size());
  EXPECT_TRUE(ahead.first == inTurn.first);
  EXPECT_TRUE(ahead.second == inTurn.second);
}

// The thread works out every point it was given; a point whose arithmetic
// faults (here a colour value that is not a number) is left to the frame.
TEST_F(Renderer, WorkAheadLeavesAFaultingPointToTheFrame) {
  namespace ahead = app::frame_ahead;
  FillCloud(*cloud_, 600);
  (*cloud_)[4 * 300 + 3] = std::nanf("");
  const ahead::Frame frame{399, 299, 600, Bits(kScale), Bits(0.02f), Bits(0.01f), Bits(0.01f)};
  ahead::Begin(frame, cloud_->data());
  AwaitWorkAhead();
  const ahead::Point* points = nullptr;
  ASSERT_EQ(ahead::Finish(frame, points), 600);
  EXPECT_EQ(points[300].outcome, ahead::Outcome::kLeft);
  EXPECT_EQ(points[0].outcome, ahead::Outcome::kHidden);
  EXPECT_EQ(points[1].outcome, ahead::Outcome::kDrawn);
  ahead::Frame other = frame;
  other.scale = Bits(2 * kScale);
  EXPECT_EQ(ahead::Finish(other, points), 0);
}

}  // namespace
