// The window on a display of high resolution: the image stays the mode's
// size, the window shows each of its pixels as an s x s block.
#include <gtest/gtest.h>

#include <vector>

#include "graph_fixture.hpp"

namespace {

using namespace graph_test;

class DisplayScaleTest : public GraphTest {
 protected:
  // A 2048 x 1536 screen with the frame of Windows 10 at 96 DPI.
  static void LargeScreen() {
    mem::SetSystemMetric(platform::SM_CXSCREEN, 2048);
    mem::SetSystemMetric(platform::SM_CYSCREEN, 1536);
  }

  static void DrawSome() {
    graph::PutPixel(0, 0, 113);
    graph::PutPixel(10, 11, 120);
    graph::PutPixel(799, 599, 128);
    graph::PauseDrawing();
    mem::WaitUntilIdle();
  }

  static platform::Rect Client() { return mem::ClientRect(Window()); }
};

TEST_F(DisplayScaleTest, TwiceTheResolutionShowsEachPixelAsATwoByTwoBlock) {
  LargeScreen();
  mem::SetDisplayScale(2);
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_EQ(graph::GetMaxX(), 799);
  EXPECT_EQ(graph::GetMaxY(), 599);
  EXPECT_EQ(Client().right, 1600);
  EXPECT_EQ(Client().bottom, 1200);
  DrawSome();
  const std::uint32_t c120 = mem::ImagePixel(Window(), 10, 11);
  ASSERT_NE(c120, 0u);
  for (int dy = 0; dy < 2; ++dy) {
    for (int dx = 0; dx < 2; ++dx) {
      EXPECT_EQ(mem::SurfacePixel(Window(), 20 + dx, 22 + dy), c120);
      EXPECT_EQ(mem::SurfacePixel(Window(), dx, dy), Colour113);
      EXPECT_EQ(mem::SurfacePixel(Window(), 1598 + dx, 1198 + dy),
                mem::ImagePixel(Window(), 799, 599));
    }
  }
  EXPECT_EQ(mem::SurfacePixel(Window(), 22, 22), 0u);
  EXPECT_EQ(mem::SurfacePixel(Window(), 19, 22), 0u);
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

// At 2 the window is 1616 x 1239 with the frame Windows draws.
TEST_F(DisplayScaleTest, TheLargestFactorWhoseWindowAndFrameFitTheWorkArea) {
  struct Row {
    const char* what;
    int wanted;
    std::vector<platform::Rect> areas;  // none: the whole 2048 x 1536 screen
    platform::Rect frame;               // what a window manager adds outside
    int width;                          // of the client area
  } const rows[] = {
      {"2400 x 1800 would not fit", 3, {}, {}, 1600},
      {"the default screen has room for the mode alone", 2, {{0, 0, 1280, 1024}}, {}, 800},
      {"a screen as large as the client area", 2, {{0, 0, 1600, 1200}}, {}, 800},
      {"a panel takes the bottom rows", 2, {{0, 0, 2048, 1230}}, {}, 800},
      {"a panel leaves room", 2, {{0, 40, 2048, 1280}}, {}, 1600},
      {"a window manager's frame too tall", 2, {{0, 0, 1920, 1240}}, {1, 22, 1, 4}, 800},
      {"a window manager's frame that fits", 2, {{0, 0, 1920, 1265}}, {1, 22, 1, 4}, 1600},
      {"a larger monitor beside the one the window opens on",
       2,
       {{0, 0, 1280, 1024}, {1280, 0, 3328, 1536}},
       {},
       800},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    LargeScreen();
    mem::SetWorkAreas(row.areas);
    mem::SetWindowManagerFrame(row.frame);
    mem::SetDisplayScale(row.wanted);
    OpenProgramMode();
    EXPECT_EQ(Client().right, row.width);
    EXPECT_EQ(Client().bottom, row.width * 3 / 4);
    graph::CloseGraph();
    mem::ResetSystemMetrics();
  }
}

TEST_F(DisplayScaleTest, SurfacesRefusedAtTheFactorFallBackToOnePixelAPixel) {
  LargeScreen();
  mem::SetDisplayScale(2);
  mem::FailSurfacesAbove(1);
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_EQ(Client().right, 800);
  EXPECT_EQ(Client().bottom, 600);
  DrawSome();
  EXPECT_EQ(mem::SurfacePixel(Window(), 10, 11), mem::ImagePixel(Window(), 10, 11));
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(DisplayScaleTest, ARepaintOfAnyPartShowsTheBlocksItCovers) {
  LargeScreen();
  mem::SetDisplayScale(2);
  OpenProgramMode();
  DrawSome();
  mem::SpoilSurface(Window(), {0, 0, 1600, 1200}, 0x123456);
  // Odd edges: the rectangle cuts blocks in half.
  mem::InvalidateRect(Window(), {21, 23, 22, 24});
  mem::WaitUntilIdle();
  EXPECT_EQ(mem::SurfacePixel(Window(), 21, 23), mem::ImagePixel(Window(), 10, 11));
  EXPECT_EQ(mem::SurfacePixel(Window(), 0, 0), 0x123456u);
  mem::InvalidateRect(Window(), {0, 0, 1600, 1200});
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(DisplayScaleTest, AnEnlargedWindowKeepsTheFactorAndIsBlackBeyondTheImage) {
  LargeScreen();
  mem::SetDisplayScale(2);
  OpenProgramMode();
  DrawSome();
  platform::SetWindowSize(Window(), 2000, 1500);
  mem::SpoilSurface(Window(), {0, 0, 2000, 1500}, 0x123456);
  mem::InvalidateRect(Window(), {0, 0, 2000, 1500});
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
  EXPECT_EQ(mem::SurfacePixel(Window(), 1599, 1199), mem::ImagePixel(Window(), 799, 599));
  EXPECT_EQ(mem::SurfacePixel(Window(), 1600, 1199), 0u);
  EXPECT_EQ(mem::SurfacePixel(Window(), 1599, 1200), 0u);
  EXPECT_EQ(mem::SurfacePixel(Window(), 1900, 1400), 0u);
}

platform::WPARAM DotsPerInch(int dpi) {
  return static_cast<platform::WPARAM>(dpi) | (static_cast<platform::WPARAM>(dpi) << 16);
}

TEST_F(DisplayScaleTest, MovingToADisplayOfOtherResolutionRescalesTheWindow) {
  LargeScreen();
  mem::SetDisplayScale(2);
  OpenProgramMode();
  DrawSome();
  platform::PostMessage(Window(), platform::WM_DPICHANGED, DotsPerInch(96), 0);
  mem::WaitUntilIdle();
  EXPECT_EQ(Client().right, 800);
  EXPECT_EQ(Client().bottom, 600);
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));

  // 150 %: the largest whole factor is 1 still.
  platform::PostMessage(Window(), platform::WM_DPICHANGED, DotsPerInch(144), 0);
  mem::WaitUntilIdle();
  EXPECT_EQ(Client().right, 800);

  platform::PostMessage(Window(), platform::WM_DPICHANGED, DotsPerInch(192), 0);
  mem::WaitUntilIdle();
  EXPECT_EQ(Client().right, 1600);
  EXPECT_EQ(Client().bottom, 1200);
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
  // Drawing goes on at the new factor.
  graph::PutPixel(400, 300, 125);
  graph::PauseDrawing();
  mem::WaitUntilIdle();
  EXPECT_EQ(mem::SurfacePixel(Window(), 801, 601), mem::ImagePixel(Window(), 400, 300));
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

// Two monitors side by side, the right one of twice the resolution. The
// window is dragged over the edge; Windows suggests a rectangle that still
// straddles it.
TEST_F(DisplayScaleTest, MovedToAnotherMonitorTheWindowTakesItsPlaceThere) {
  const platform::Rect right{1280, 0, 3328, 1536};
  mem::SetWorkAreas({{0, 0, 1280, 1024}, right});
  OpenProgramMode();
  DrawSome();
  static const platform::Rect suggested{1000, 100, 2616, 1339};
  platform::PostMessage(Window(), platform::WM_DPICHANGED, DotsPerInch(192),
                        reinterpret_cast<platform::LPARAM>(&suggested));
  mem::WaitUntilIdle();
  EXPECT_EQ(Client().right, 1600);
  EXPECT_EQ(Client().bottom, 1200);
  const platform::Rect placed = mem::ScreenRect(Window());
  EXPECT_GE(placed.left, right.left);
  EXPECT_LE(placed.right, right.right);
  EXPECT_LE(placed.bottom, right.bottom);
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

}  // namespace
