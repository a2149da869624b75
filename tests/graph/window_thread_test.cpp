// The window thread: message routing to the hooks, repaints from the memory
// image, the window closed from outside, and drawing while it repaints.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "graph_fixture.hpp"
#include "runtime/runtime.hpp"

namespace {

using namespace graph_test;
using platform::UINT;

std::mutex routedLock;
std::vector<std::pair<char, UINT>> routed;  // hook tag, message

template <char Tag>
platform::LRESULT Record(platform::Window, UINT message, platform::WPARAM, platform::LPARAM) {
  std::lock_guard lock(routedLock);
  routed.emplace_back(Tag, message);
  return 0x100 + Tag;
}

std::vector<std::pair<char, UINT>> Routed() {
  std::lock_guard lock(routedLock);
  return routed;
}

class WindowThreadTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    std::lock_guard lock(routedLock);
    routed.clear();
  }
  void SetAllHooks() {
    graph::CharMessageHandler = Record<'k'>;
    graph::MouseMessageHandler = Record<'m'>;
    graph::CommandMessageHandler = Record<'c'>;
    graph::NotifyMessageHandler = Record<'n'>;
  }
};

TEST_F(WindowThreadTest, EachMessageGroupReachesItsHookAndReturnsItsResult) {
  using namespace platform;
  SetAllHooks();
  EXPECT_EQ(graph::WindowProcGraph(0, WM_KEYDOWN, 'A', 0), 0x100 + 'k');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_KEYUP, 'A', 0), 0x100 + 'k');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_CHAR, 'a', 0), 0x100 + 'k');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_KILLFOCUS, 0, 0), 0x100 + 'k');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_LBUTTONDOWN, 0, 0), 0x100 + 'm');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_MBUTTONDBLCLK, 0, 0), 0x100 + 'm');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_COMMAND, 0, 0), 0x100 + 'c');
  EXPECT_EQ(graph::WindowProcGraph(0, WM_NOTIFY, 0, 0), 0x100 + 'n');
  // Default handling for everything else.
  graph::WindowProcGraph(0, WM_MOUSEMOVE, 0, 0);
  graph::WindowProcGraph(0, WM_SYSKEYDOWN, 0, 0);
  graph::WindowProcGraph(0, WM_SYSCHAR, 0, 0);
  graph::WindowProcGraph(0, 0x020A, 0, 0);
  const std::vector<std::pair<char, UINT>> expected = {
      {'k', WM_KEYDOWN},     {'k', WM_KEYUP},         {'k', WM_CHAR},    {'k', WM_KILLFOCUS},
      {'m', WM_LBUTTONDOWN}, {'m', WM_MBUTTONDBLCLK}, {'c', WM_COMMAND}, {'n', WM_NOTIFY}};
  EXPECT_EQ(Routed(), expected);
}

TEST_F(WindowThreadTest, WithoutHooksRoutedMessagesAreSwallowed) {
  using namespace platform;
  EXPECT_EQ(graph::WindowProcGraph(0, WM_CHAR, 'a', 0), 0);
  EXPECT_EQ(graph::WindowProcGraph(0, WM_COMMAND, 1, 0), 0);
  EXPECT_EQ(graph::WindowProcGraph(0, WM_NOTIFY, 0, 0), 0);
  EXPECT_EQ(graph::WindowProcGraph(0, WM_LBUTTONDOWN, 0, 0), 0);
}

TEST_F(WindowThreadTest, KeysPostedToTheWindowReachTheCharacterHookOnItsThread) {
  graph::CharMessageHandler = Record<'k'>;
  graph::MouseMessageHandler = Record<'m'>;
  OpenProgramMode();
  platform::PostMessage(Window(), platform::WM_KEYDOWN, 'Q', 0);
  platform::PostMessage(Window(), platform::WM_LBUTTONDOWN, 0, 0);
  platform::PostMessage(Window(), platform::WM_MOUSEMOVE, 0, 0);
  platform::PostMessage(Window(), platform::WM_KEYUP, 'Q', 0);
  mem::WaitUntilIdle();
  const std::vector<std::pair<char, UINT>> expected = {{'k', platform::WM_KEYDOWN},
                                                       {'k', platform::WM_CHAR},
                                                       {'m', platform::WM_LBUTTONDOWN},
                                                       {'k', platform::WM_KEYUP}};
  EXPECT_EQ(Routed(), expected);
}

TEST_F(WindowThreadTest, MouseCommandAndNotifyMessagesLeaveTheWindowAlone) {
  OpenProgramMode();
  graph::PutPixel(3, 3, 113);
  platform::PostMessage(Window(), platform::WM_LBUTTONDOWN, 0, 0);
  platform::PostMessage(Window(), platform::WM_COMMAND, 0xF060, 0);
  platform::PostMessage(Window(), platform::WM_NOTIFY, 0, 0);
  mem::WaitUntilIdle();
  EXPECT_TRUE(graph::GraphRunning);
  EXPECT_TRUE(mem::WindowExists(Window()));
  EXPECT_EQ(mem::SurfacePixel(Window(), 3, 3), Colour113);
}

TEST_F(WindowThreadTest, UncoveredPartIsRepaintedFromTheMemoryImage) {
  OpenProgramMode();
  graph::PutPixel(10, 10, 113);
  graph::PutPixel(30, 30, 113);
  mem::WaitUntilIdle();
  mem::SpoilSurface(Window(), {0, 0, 800, 600}, 0x123456);
  mem::InvalidateRect(Window(), {0, 0, 20, 20});
  mem::WaitUntilIdle();
  EXPECT_EQ(mem::SurfacePixel(Window(), 10, 10), Colour113);
  EXPECT_EQ(mem::SurfacePixel(Window(), 0, 0), 0u);
  EXPECT_EQ(mem::SurfacePixel(Window(), 19, 19), 0u);
  // Outside the update rectangle the window is not touched.
  EXPECT_EQ(mem::SurfacePixel(Window(), 20, 20), 0x123456u);
  EXPECT_EQ(mem::SurfacePixel(Window(), 30, 30), 0x123456u);
  mem::InvalidateRect(Window(), {0, 0, 800, 600});
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(Window()));
}

TEST_F(WindowThreadTest, CaptionSetFromTheProgramThreadIsHandledBeforeTheCallReturns) {
  OpenProgramMode();
  const platform::Window window = mem::FindWindowByCaption("Graph window application");
  ASSERT_EQ(window, Window());
  platform::SetWindowText(window, "Fractals");
  EXPECT_EQ(mem::Caption(Window()), "Fractals");
  EXPECT_EQ(mem::FindWindowByCaption("Fractals"), Window());
  platform::GreyCloseCommand(window);
  EXPECT_TRUE(mem::CloseGreyed(Window()));
}

TEST_F(WindowThreadTest, AnOlderWindowWithTheSameCaptionIsFoundFirst) {
  const platform::Window other = mem::CreateForeignWindow("Fractals");
  OpenProgramMode();
  platform::SetWindowText(Window(), "Fractals");
  EXPECT_EQ(mem::FindWindowByCaption("Fractals"), other);
  mem::DestroyForeignWindow(other);
  EXPECT_EQ(mem::FindWindowByCaption("Fractals"), Window());
}

TEST_F(WindowThreadTest, WindowClosedFromOutsideStopsDrawingAndCloseGraphReturns) {
  graph::CharMessageHandler = Record<'k'>;
  OpenProgramMode();
  const platform::Window window = Window();
  EXPECT_FALSE(graph::WindowClosed());
  mem::PostCloseFromOutside(window);
  mem::WaitUntilIdle();
  EXPECT_FALSE(graph::GraphRunning);
  EXPECT_TRUE(graph::IsGraphMode);
  EXPECT_TRUE(graph::WindowClosed());
  EXPECT_FALSE(mem::WindowExists(window));
  EXPECT_FALSE(platform::PostMessage(window, platform::WM_KEYDOWN, 'A', 0));

  graph::PutPixel(1, 1, 113);
  graph::ClearDevice();
  EXPECT_EQ(graph::GraphResult, graph::grOk);
  EXPECT_TRUE(Routed().empty());
  graph::CloseGraph();
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_EQ(graph::GraphResult, graph::grOk);
}

platform::LRESULT CloseFromTheWindowThread(platform::Window, UINT, platform::WPARAM,
                                           platform::LPARAM) {
  graph::CloseGraph();
  return 0;
}

// An error raised on the window thread runs the exit chain there.
TEST_F(WindowThreadTest, CloseGraphOnTheWindowThreadLetsItEndWithoutWaitingForItself) {
  graph::CharMessageHandler = CloseFromTheWindowThread;
  OpenProgramMode();
  const platform::Window window = Window();
  platform::PostMessage(window, platform::WM_KEYDOWN, 'Q', 0);
  mem::WaitUntilIdle();
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_FALSE(mem::WindowExists(window));
  // The drawing thread may still draw: the palette is kept.
  EXPECT_EQ(graph::Pal.size(), 256u);
  while (graph::MessageThreadExitCode == graph::STILL_ACTIVE) std::this_thread::yield();
  EXPECT_EQ(graph::MessageThreadExitCode, 0u);
}

// A fault in a hook, with the drawing lock held, as a fault inside a repaint
// would hold it.
platform::LRESULT FailHoldingTheDrawingLock(platform::Window, UINT, platform::WPARAM,
                                            platform::LPARAM) {
  std::lock_guard lock(graph::GraphDrawing);
  runtime::RunError(204);
}

// After GraphExitProc, on the window thread: what the report's box finds.
void DescribeTheWindowLeft() {
  const platform::Window window = graph::GraphWindow;
  std::fputs(mem::WindowVisible(window) ? "shown " : "hidden ", stderr);
  // What the box's modal loop may dispatch to it.
  graph::WindowProcGraph(window, platform::WM_PAINT, 0, 0);
  graph::WindowProcGraph(window, graph::WM_GRAPHFLUSH, 0, 0);
  graph::WindowProcGraph(window, platform::WM_DESTROY, 0, 0);
  std::fputs("idle ", stderr);
}

TEST(WindowThreadDeathTest, AnErrorOnTheWindowThreadHidesTheWindowAndLeavesItIdle) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        runtime::ExitProc = DescribeTheWindowLeft;  // runs after the graphics module's step
        graph::InitModule();
        graph::CharMessageHandler = FailHoldingTheDrawingLock;
        OpenProgramMode();
        platform::PostMessage(Window(), platform::WM_KEYDOWN, 'Q', 0);
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      },
      testing::ExitedWithCode(204), "^hidden idle \\[Error\\] Runtime error 204 at");
}

// Pixels drawn while the window is being repainted all reach it.
TEST_F(WindowThreadTest, DrawingWhileRepaintingEndsWithTheWindowEqualToTheImage) {
  OpenProgramMode();
  const platform::Window window = Window();
  std::atomic<bool> drawing{true};
  std::thread uncover([&] {
    while (drawing) mem::InvalidateRect(window, {0, 0, 800, 600});
  });
  for (int round = 0; round < 20; ++round) {
    for (int i = 0; i < 2000; ++i) {
      const auto x = static_cast<std::int16_t>((i * 37 + round * 11) % 800);
      const auto y = static_cast<std::int16_t>((i * 53 + round * 7) % 600);
      graph::PutPixel(x, y, static_cast<std::uint16_t>(113 + (i + round) % 16));
    }
    graph::ClearDevice();
    graph::PutPixel(static_cast<std::int16_t>(round), 0, 113);
  }
  drawing = false;
  uncover.join();
  mem::WaitUntilIdle();
  EXPECT_TRUE(mem::SurfaceShowsImage(window));
  EXPECT_EQ(mem::SurfacePixel(window, 19, 0), Colour113);
}

}  // namespace
