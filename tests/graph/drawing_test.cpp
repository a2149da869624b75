// PutPixel, HLine and ClearDevice in graphics mode: clipping, colours, and
// what the memory image and the window show.
#include <gtest/gtest.h>

#include "graph_fixture.hpp"

namespace {

using namespace graph_test;

class DrawingTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    OpenProgramMode();
    ASSERT_EQ(graph::GraphResult, graph::grOk);
  }
};

TEST_F(DrawingTest, PixelTakesItsPaletteColourInImageAndWindow) {
  const int paintsBefore = mem::PaintCount(Window());
  graph::PutPixel(799, 599, 113);
  EXPECT_EQ(mem::ImagePixel(Window(), 799, 599), Colour113);
  mem::WaitUntilIdle();
  // Shown without any repaint.
  EXPECT_EQ(mem::SurfacePixel(Window(), 799, 599), Colour113);
  EXPECT_EQ(mem::PaintCount(Window()), paintsBefore);
}

TEST_F(DrawingTest, PixelsOnTheFourEdgesAreDrawnAndBeyondThemDropped) {
  graph::PutPixel(0, 0, 113);
  graph::PutPixel(799, 0, 114);
  graph::PutPixel(0, 599, 115);
  graph::PutPixel(799, 599, 116);
  EXPECT_EQ(LitImagePixels(), 4);
  graph::PutPixel(800, 0, 113);
  graph::PutPixel(-1, 0, 113);
  graph::PutPixel(0, 600, 113);
  graph::PutPixel(0, -1, 113);
  graph::PutPixel(32767, 32767, 113);
  graph::PutPixel(-32768, -32768, 113);
  EXPECT_EQ(LitImagePixels(), 4);
  EXPECT_EQ(graph::GraphResult, graph::grOk);
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(DrawingTest, PixelsAreRelativeToTheViewportAndClippedToIt) {
  graph::StartXViewPort = 100;
  graph::StartYViewPort = 50;
  graph::ViewWidth = 10;
  graph::ViewHeight = 10;
  graph::PutPixel(0, 0, 113);
  graph::PutPixel(10, 10, 113);
  graph::PutPixel(11, 0, 113);
  graph::PutPixel(0, -1, 113);
  EXPECT_EQ(mem::ImagePixel(Window(), 100, 50), Colour113);
  EXPECT_EQ(mem::ImagePixel(Window(), 110, 60), Colour113);
  EXPECT_EQ(LitImagePixels(), 2);
}

TEST_F(DrawingTest, EraseColourAndRedrawing) {
  graph::PutPixel(5, 5, 113);
  graph::PutPixel(5, 5, 113);
  EXPECT_EQ(mem::ImagePixel(Window(), 5, 5), Colour113);
  graph::PutPixel(5, 5, 0);
  EXPECT_EQ(mem::ImagePixel(Window(), 5, 5), 0u);
  graph::PutPixel(6, 5, 128);
  EXPECT_EQ(mem::ImagePixel(Window(), 6, 5), 0x383870u);
}

TEST_F(DrawingTest, ColourBeyondThePaletteDrawsNothing) {
  graph::PutPixel(7, 7, 113);
  graph::PutPixel(7, 7, 256);
  graph::PutPixel(7, 7, 65535);
  EXPECT_EQ(mem::ImagePixel(Window(), 7, 7), Colour113);
  // The last entry is still drawn (black).
  graph::PutPixel(7, 7, 255);
  EXPECT_EQ(mem::ImagePixel(Window(), 7, 7), 0u);
}

TEST_F(DrawingTest, LaterPaletteChangesLeaveDrawnPixelsAlone) {
  graph::PutPixel(1, 1, 113);
  graph::Pal[113] = {252, 252, 252};
  EXPECT_EQ(mem::ImagePixel(Window(), 1, 1), Colour113);
  graph::PutPixel(2, 1, 113);
  EXPECT_EQ(mem::ImagePixel(Window(), 2, 1), 0xFCFCFCu);
}

TEST_F(DrawingTest, HLineIsClippedToTheViewportAndOrdersItsEnds) {
  graph::CurrentColor = 113;
  graph::HLine(3, -5, 0);
  graph::HLine(805, 790, 1);
  graph::HLine(0, 5, 600);
  graph::HLine(900, 1000, 2);
  graph::HLine(-9, -1, 3);
  for (int x = 0; x <= 3; ++x) EXPECT_EQ(mem::ImagePixel(Window(), x, 0), Colour113) << x;
  for (int x = 790; x <= 799; ++x) EXPECT_EQ(mem::ImagePixel(Window(), x, 1), Colour113) << x;
  EXPECT_EQ(LitImagePixels(), 4 + 10);

  graph::StartXViewPort = 100;
  graph::ViewWidth = 99;
  graph::HLine(-10, 500, 5);
  EXPECT_EQ(mem::ImagePixel(Window(), 99, 5), 0u);
  EXPECT_EQ(mem::ImagePixel(Window(), 100, 5), Colour113);
  EXPECT_EQ(mem::ImagePixel(Window(), 199, 5), Colour113);
  EXPECT_EQ(mem::ImagePixel(Window(), 200, 5), 0u);
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(DrawingTest, ClearDeviceBlacksEverythingAndKeepsTheSettings) {
  for (int i = 0; i < 800; i += 7) {
    graph::PutPixel(static_cast<std::int16_t>(i), static_cast<std::int16_t>(i % 600), 120);
  }
  graph::PutPixel(799, 599, 113);
  mem::WaitUntilIdle();
  ASSERT_GT(LitImagePixels(), 0);
  graph::CurrentX = 40;
  graph::CurrentY = 30;
  graph::CurrentColor = 9;
  graph::StartXViewPort = 100;
  graph::ViewWidth = 20;
  graph::ViewHeight = 20;

  graph::ClearDevice();
  EXPECT_EQ(LitImagePixels(), 0);
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
  EXPECT_EQ(mem::SurfacePixel(Window(), 799, 599), 0u);
  EXPECT_EQ(graph::CurrentX, 0);
  EXPECT_EQ(graph::CurrentY, 0);
  EXPECT_EQ(graph::CurrentColor, 9);
  EXPECT_EQ(graph::StartXViewPort, 100);
  EXPECT_EQ(graph::ViewWidth, 20);
  EXPECT_EQ(graph::ViewHeight, 20);
  EXPECT_EQ(graph::PixelValue(graph::Pal[113]), Colour113);
}

TEST_F(DrawingTest, ClearDeviceUsesTheBackgroundColour) {
  graph::CurrentBkColor = 113;
  graph::ClearDevice();
  EXPECT_EQ(mem::ImagePixel(Window(), 0, 0), Colour113);
  EXPECT_EQ(mem::ImagePixel(Window(), 799, 599), Colour113);
}

}  // namespace
