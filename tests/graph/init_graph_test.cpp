// Entering and leaving graphics mode: GraphResult, the state each outcome
// leaves, and what drawing does outside graphics mode.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <pthread.h>
#endif

#include <cstdlib>
#include <string>
#include <vector>

#include "graph_fixture.hpp"
#include "runtime/runtime.hpp"

namespace {

using namespace graph_test;

const char* const NotInGraphicsMode =
    "Error: Not in graphics mode \\(use InitGraph and test GraphResult afterwards\\)";

TEST_F(GraphTest, ProgramModeOpensA256Colour800x600Window) {
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "");
  EXPECT_EQ(driver, 15);
  EXPECT_EQ(mode, 30010);
  EXPECT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_TRUE(graph::IsGraphMode);
  EXPECT_EQ(graph::GetMaxX(), 799);
  EXPECT_EQ(graph::GetMaxY(), 599);
  EXPECT_EQ(graph::GetMaxColor(), 255);
  EXPECT_EQ(graph::IntCurrentMode, 259);
  EXPECT_EQ(graph::IntCurrentDriver, 15);
  EXPECT_EQ(graph::IntCurrentNewDriver, 15);
  EXPECT_EQ(graph::PaletteSize, 256);
  EXPECT_TRUE(graph::GraphRunning);

  EXPECT_EQ(mem::Caption(Window()), "Graph window application");
  EXPECT_EQ(mem::Style(Window()), platform::WS_OVERLAPPEDWINDOW);
  const platform::Rect client = mem::ClientRect(Window());
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  EXPECT_EQ(LitImagePixels(), 0);
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(GraphTest, InitGraphSetsTheWholeSurfaceAsViewportAndTheDefaults) {
  graph::StartXViewPort = 5;
  graph::CurrentColor = 3;
  graph::CurrentBkColor = 7;
  graph::ClipPixels = false;
  OpenProgramMode();
  EXPECT_EQ(graph::StartXViewPort, 0);
  EXPECT_EQ(graph::StartYViewPort, 0);
  EXPECT_EQ(graph::ViewWidth, 799);
  EXPECT_EQ(graph::ViewHeight, 599);
  EXPECT_TRUE(graph::ClipPixels);
  EXPECT_EQ(graph::CurrentColor, 15);
  EXPECT_EQ(graph::CurrentBkColor, 0);
  EXPECT_EQ(graph::CurrentWriteMode, 0);
  EXPECT_EQ(graph::CurrentX, 0);
  ASSERT_EQ(graph::Pal.size(), 256u);
  for (std::size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(graph::PixelValue(graph::Pal[i]), graph::PixelValue(graph::DefaultColors[i])) << i;
  }
}

TEST_F(GraphTest, WindowSizeAllowsForFrameAndCaption) {
  // Frames of different width and height, so that mixing them up shows.
  SetScreen(1920, 1200, 8, 6, 30, 1920, 1140);
  mem::SetSystemMetric(platform::SM_CXPADDEDBORDER, 2);
  graph::InitModule();
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  const mem::Placement placed = mem::RequestedPlacement(Window());
  EXPECT_EQ(placed.width, 800 + 2 * (8 + 2));
  EXPECT_EQ(placed.height, 600 + 2 * (6 + 2) + 30);
  // The window system chooses where it goes.
  EXPECT_EQ(placed.x, platform::CW_USEDEFAULT);
  EXPECT_EQ(placed.y, 0);
}

// The outer size is the client area plus what the system puts around it:
// on Windows 10 at 96 DPI the padded border widens the frame on every side.
void ExpectOuterAndClientSize(int frame, int paddedBorder, int caption, int outerWidth,
                              int outerHeight) {
  mem::SetSystemMetric(platform::SM_CXFRAME, frame);
  mem::SetSystemMetric(platform::SM_CYFRAME, frame);
  mem::SetSystemMetric(platform::SM_CXPADDEDBORDER, paddedBorder);
  mem::SetSystemMetric(platform::SM_CYCAPTION, caption);
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  const platform::Rect outer = mem::OuterRect(Window());
  EXPECT_EQ(outer.right, outerWidth);
  EXPECT_EQ(outer.bottom, outerHeight);
  const platform::Rect client = mem::ClientRect(Window());
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
}

TEST_F(GraphTest, ClientAreaIsTheModeSizeUnderTheFrameOfWindows10) {
  ExpectOuterAndClientSize(4, 4, 23, 816, 639);
}

TEST_F(GraphTest, ClientAreaIsTheModeSizeUnderTheFrameOfWine) {
  ExpectOuterAndClientSize(4, 0, 19, 808, 627);
}

// A frame that turns out other than the system said is made up for once
// the window exists, before it is shown.
TEST_F(GraphTest, AFrameOtherThanReportedIsCorrectedAfterCreation) {
  mem::SetFrameSurplus(6, 10);
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  const platform::Rect client = mem::ClientRect(Window());
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  const platform::Rect outer = mem::OuterRect(Window());
  EXPECT_EQ(outer.right, 816 + 6);
  EXPECT_EQ(outer.bottom, 639 + 10);
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(GraphTest, DriverPathGetsABackslash) {
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "C:\\BGI");
  EXPECT_EQ(graph::DriverPath, "C:\\BGI\\");
  graph::CloseGraph();
  graph::InitGraph(driver, mode, "D:\\");
  EXPECT_EQ(graph::DriverPath, "D:\\");
  graph::CloseGraph();
  graph::InitGraph(driver, mode, "");
  EXPECT_EQ(graph::DriverPath, "");
}

TEST_F(GraphTest, DirectDriverAndModeNumber) {
  std::int16_t driver = 10;
  std::int16_t mode = 257;
  graph::InitGraph(driver, mode, "");
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_EQ(graph::IntCurrentNewDriver, -1);
  EXPECT_EQ(graph::GetMaxX(), 639);
  EXPECT_EQ(graph::GetMaxY(), 479);
}

TEST_F(GraphTest, MaximisedModeOpensTheWindowMaximised) {
  SetScreen(1024, 768, 4, 4, 20, 800, 600);
  graph::InitModule();
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_EQ(graph::IntCurrentMode, 246);
  EXPECT_EQ(mem::Style(Window()), platform::WS_OVERLAPPEDWINDOW | platform::WS_MAXIMIZE);
  EXPECT_EQ(graph::GetMaxX(), 799);
}

TEST_F(GraphTest, ExactFramedRoomSelectsTheScreenSizedMode) {
  SetScreen(808, 631, 4, 4, 23, 808, 600);
  graph::InitModule();
  OpenProgramMode();
  ASSERT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_EQ(graph::IntCurrentMode, 241);
  EXPECT_EQ(mem::Style(Window()), platform::WS_OVERLAPPEDWINDOW);
}

TEST_F(GraphTest, NoRoomGivesMinus10AndNoWindow) {
  SetScreen(800, 600, 4, 4, 23, 800, 573);
  graph::InitModule();
  OpenProgramMode();
  EXPECT_EQ(graph::GraphResult, graph::grInvalidMode);
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_EQ(graph::GetMaxX(), 0);
  EXPECT_EQ(graph::GetMaxY(), 0);
  EXPECT_EQ(mem::FindWindowByCaption("Graph window application"), 0u);
}

TEST_F(GraphTest, AutomaticSelectionIsNotOffered) {
  std::int16_t driver = 0;
  std::int16_t mode = 0;
  graph::InitGraph(driver, mode, "");
  EXPECT_EQ(graph::GraphResult, graph::grInvalidMode);
  driver = 15;
  mode = 30000;
  graph::InitGraph(driver, mode, "");
  EXPECT_EQ(graph::GraphResult, graph::grInvalidMode);
  EXPECT_FALSE(graph::IsGraphMode);
}

// The window could not be made, or its surfaces: a window without its
// memory image would only show black and drop every pixel.
TEST_F(GraphTest, CreationFailureGivesMinus11AndKeepsTheModeSize) {
  for (void (*fail)(bool) : {mem::FailWindowCreation, mem::FailSurfaces}) {
    fail(true);
    mem::ClearMessageBoxes();
    OpenProgramMode();
    EXPECT_EQ(graph::GraphResult, graph::grError);
    EXPECT_FALSE(graph::IsGraphMode);
    EXPECT_FALSE(graph::GraphRunning);
    EXPECT_EQ(graph::GetMaxX(), 799);
    EXPECT_EQ(graph::GetMaxY(), 599);
    EXPECT_EQ(graph::MaxColor, 256);
    EXPECT_EQ(graph::MessageThreadExitCode, 1u);
    const std::vector<mem::ShownMessageBox> boxes = mem::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Window creation failed");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(mem::FindWindowByCaption("Graph window application"), 0u);
    fail(false);
  }
}

TEST_F(GraphTest, AfterAFailedStartTheNextInitGraphOpensTheWindow) {
  for (void (*fail)(bool) : {mem::FailWindowCreation, mem::FailSurfaces}) {
    fail(true);
    OpenProgramMode();
    ASSERT_EQ(graph::GraphResult, graph::grError);
    fail(false);
    OpenProgramMode();
    EXPECT_EQ(graph::GraphResult, graph::grOk);
    EXPECT_TRUE(graph::IsGraphMode);
    graph::CloseGraph();
  }
}

// The class is registered once per process, so this runs in a fresh one.
TEST(GraphDeathTest, RegistrationFailureGivesMinus11AndItsBox) {
  EXPECT_EXIT(
      {
        mem::FailWindowRegistration(true);
        graph::InitModule();
        OpenProgramMode();
        const std::vector<mem::ShownMessageBox> boxes = mem::MessageBoxes();
        const bool failed = graph::GraphResult == graph::grError && !graph::IsGraphMode &&
                            graph::GetMaxX() == 799 && graph::MessageThreadExitCode == 1 &&
                            boxes.size() == 1 && boxes[0].text == "Window registration failed" &&
                            boxes[0].caption.empty();
        std::_Exit(failed ? 0 : 3);
      },
      testing::ExitedWithCode(0), "Window registration failed");
}

TEST(GraphDeathTest, PutPixelOutsideGraphicsModeReportsAndEndsWithCode1) {
  EXPECT_EXIT(
      {
        mem::SetSystemMetric(platform::SM_CXSCREEN, 640);
        graph::InitModule();
        OpenProgramMode();
        graph::PutPixel(0, 0, 113);
      },
      testing::ExitedWithCode(1), NotInGraphicsMode);
}

TEST(GraphDeathTest, ClearDeviceOutsideGraphicsModeReportsThroughItsLines) {
  EXPECT_EXIT(
      {
        mem::SetSystemMetric(platform::SM_CXSCREEN, 640);
        graph::InitModule();
        OpenProgramMode();
        graph::ClearDevice();
      },
      testing::ExitedWithCode(1), NotInGraphicsMode);
}

// The window, or its surfaces, could not be made.
TEST(GraphDeathTest, DrawingAfterACreationFailureReports) {
  for (void (*fail)(bool) : {mem::FailWindowCreation, mem::FailSurfaces}) {
    EXPECT_EXIT(
        {
          fail(true);
          graph::InitModule();
          OpenProgramMode();
          graph::PutPixel(10, 10, 113);
        },
        testing::ExitedWithCode(1), NotInGraphicsMode);
  }
}

#if defined(__linux__) && !defined(FRACTALS_EMULATED_TESTS)
// No memory for the window thread's stack, as under a small address-space
// limit: a failed allocation like any other.
TEST(GraphDeathTest, AWindowThreadWithNoRoomForItsStackIsRuntimeError203) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        graph::InitModule();
        pthread_attr_t attr;
        pthread_getattr_default_np(&attr);
        pthread_attr_setstacksize(&attr, std::size_t{1} << 46);
        pthread_setattr_default_np(&attr);
        OpenProgramMode();
      },
      testing::ExitedWithCode(203), "Runtime error 203 at");
}
#endif

TEST(GraphDeathTest, WindowSystemFailureEndsTheProgramWithItsText) {
  EXPECT_EXIT(
      {
        graph::InitModule();
        mem::RaiseFatalError("Display connection lost");
      },
      testing::ExitedWithCode(1), "Display connection lost");
}

TEST_F(GraphTest, CloseGraphEndsTheWindowThreadAndSecondCallOnlyReports) {
  OpenProgramMode();
  const platform::Window window = Window();
  ASSERT_TRUE(mem::WindowExists(window));
  graph::CloseGraph();
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_FALSE(mem::WindowExists(window));
  EXPECT_EQ(graph::MessageThreadExitCode, 0u);
  EXPECT_EQ(graph::MessageThreadID, 0u);
  EXPECT_EQ(graph::GetMaxX(), 799);

  graph::CloseGraph();
  EXPECT_EQ(graph::GraphResult, graph::grNoInitGraph);
  EXPECT_FALSE(graph::IsGraphMode);
}

TEST_F(GraphTest, CloseGraphOutsideGraphicsModeReportsMinus1) {
  graph::CloseGraph();
  EXPECT_EQ(graph::GraphResult, graph::grNoInitGraph);
}

TEST_F(GraphTest, DrawingAfterCloseGraphDoesNothingAndReportsNothing) {
  OpenProgramMode();
  graph::CloseGraph();
  graph::PutPixel(10, 10, 113);
  graph::ClearDevice();
  EXPECT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_FALSE(graph::IsGraphMode);
}

TEST_F(GraphTest, ExitStepClosesTheWindowOnlyWhenAnErrorIsPending) {
  OpenProgramMode();
  graph::GraphExitProc();
  EXPECT_TRUE(graph::IsGraphMode);
  EXPECT_TRUE(graph::GraphRunning);
  EXPECT_TRUE(graph::ModeList().empty());

  runtime::ErrorCode = 205;
  graph::GraphExitProc();
  runtime::ErrorCode = 0;
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_FALSE(graph::GraphRunning);
}

TEST_F(GraphTest, ModuleStartClearsTheHooks) {
  graph::CharMessageHandler = [](platform::Window, platform::UINT, platform::WPARAM,
                                 platform::LPARAM) -> platform::LRESULT { return 0; };
  graph::OnGraphWindowCreation = [] {};
  graph::InitModule();
  EXPECT_EQ(graph::CharMessageHandler.load(), nullptr);
  EXPECT_EQ(graph::OnGraphWindowCreation.load(), nullptr);
}

}  // namespace
