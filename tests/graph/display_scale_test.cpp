// The window on a display of high resolution: the image stays the mode's
// size, the window shows each of its pixels as an s x s block.
#include <gtest/gtest.h>

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

TEST_F(DisplayScaleTest, TheLargestFactorWhoseWindowFitsTheScreen) {
  LargeScreen();
  // 2400 x 1800 would not fit; 1600 x 1200 and its frame do.
  mem::SetDisplayScale(3);
  OpenProgramMode();
  EXPECT_EQ(Client().right, 1600);
  EXPECT_EQ(Client().bottom, 1200);
  graph::CloseGraph();

  // The default 1280 x 1024 screen has room for the mode alone.
  mem::ResetSystemMetrics();
  mem::SetDisplayScale(2);
  OpenProgramMode();
  EXPECT_EQ(Client().right, 800);
  EXPECT_EQ(Client().bottom, 600);
  graph::CloseGraph();

  // The frame counts: a screen exactly 1600 x 1200 cannot hold the window.
  mem::SetSystemMetric(platform::SM_CXSCREEN, 1600);
  mem::SetSystemMetric(platform::SM_CYSCREEN, 1200);
  OpenProgramMode();
  EXPECT_EQ(Client().right, 800);
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

}  // namespace
