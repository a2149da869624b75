// The window's buffers on outputs of whole and fractional scale: blocks of
// whole pixels where the scale is whole, a buffer of the output's own pixels
// laid over the logical size where it is not; and an output's scale from
// its sizes.
#include <gtest/gtest.h>

#include "buffer_geometry.hpp"

namespace {

using platform::wayland::BufferGeometry;
using platform::wayland::GeometryFor;
using platform::wayland::OutputScale120;

struct Case {
  const char* what;
  int factor, outputScale, fractional120;
  bool viewporter;
  BufferGeometry expected;  // width, height, buffer scale, viewport, logical
};

TEST(WaylandBufferGeometry, FollowsTheScaleOfTheOutput) {
  const Case cases[] = {
      {"scale 1", 1, 1, 0, true, {800, 600, 1, 0, 0, 800, 600}},
      {"scale 2, 2 x 2 blocks", 2, 2, 0, true, {1600, 1200, 2, 0, 0, 800, 600}},
      {"scale 2 said as 240ths", 2, 1, 240, true, {1600, 1200, 2, 0, 0, 800, 600}},
      {"scale 2 with no room for 2", 1, 2, 0, true, {800, 600, 1, 400, 300, 400, 300}},
      {"1.5: the output's pixels, laid over 800 x 600",
       1,
       1,
       180,
       true,
       {1200, 900, 1, 800, 600, 800, 600}},
      {"1.5 from the output's sizes, announced as whole scale 2",
       1,
       2,
       180,
       true,
       {1200, 900, 1, 800, 600, 800, 600}},
      {"2.5, blocks of 2 on 2.5", 2, 2, 300, true, {2000, 1500, 1, 800, 600, 800, 600}},
      {"1.25 without a viewporter: the output scale",
       1,
       1,
       150,
       false,
       {800, 600, 1, 0, 0, 800, 600}},
      {"scale 2 with no room, no viewporter", 1, 2, 0, false, {800, 600, 1, 0, 0, 800, 600}},
  };
  for (const Case& c : cases) {
    const BufferGeometry g =
        GeometryFor(800, 600, c.factor, c.outputScale, c.fractional120, c.viewporter);
    const BufferGeometry& e = c.expected;
    EXPECT_EQ(g.width, e.width) << c.what;
    EXPECT_EQ(g.height, e.height) << c.what;
    EXPECT_EQ(g.bufferScale, e.bufferScale) << c.what;
    EXPECT_EQ(g.viewportWidth, e.viewportWidth) << c.what;
    EXPECT_EQ(g.viewportHeight, e.viewportHeight) << c.what;
    EXPECT_EQ(g.logicalWidth, e.logicalWidth) << c.what;
    EXPECT_EQ(g.logicalHeight, e.logicalHeight) << c.what;
  }
}

TEST(WaylandOutputScale, IsTheOutputsPixelsOverItsLogicalSize) {
  struct Sizes {
    const char* what;
    int modeWidth, modeHeight, logicalWidth, logicalHeight, expected120;
  };
  const Sizes cases[] = {
      {"scale 1", 1024, 768, 1024, 768, 120},
      {"scale 2", 2048, 1536, 1024, 768, 240},
      {"1.5", 1536, 1152, 1024, 768, 180},
      {"1.5, turned a quarter", 1536, 1152, 768, 1024, 180},
      {"1.5, the logical size rounded", 2560, 1440, 1707, 960, 180},
      {"no logical size said", 1536, 1152, 0, 0, 0},
      {"no mode", 0, 0, 1024, 768, 0},
  };
  for (const Sizes& c : cases) {
    EXPECT_EQ(OutputScale120(c.modeWidth, c.modeHeight, c.logicalWidth, c.logicalHeight),
              c.expected120)
        << c.what;
  }
}

}  // namespace
