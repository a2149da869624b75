#include <gtest/gtest.h>

#include "app/display.hpp"
#include "app/scene.hpp"
#include "float_bits.hpp"
#include "golden_frame/golden_frames.hpp"
#include "graph/graph.hpp"
#include "platform/memory/memory_control.hpp"
#include "wincrt/wincrt.hpp"
#include "window_thread.hpp"

namespace {

int clears = 0;
void (*realClearViewPort)() = nullptr;
void CountingClearViewPort() {
  ++clears;
  realClearViewPort();
}

// The display phase on the in-memory window system, one frame at a time,
// with characters queued as the window thread would queue them.
class FrameLoop : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool modulesStarted = false;
    if (!modulesStarted) {
      graph::InitModule();
      wincrt::InitModule();
      modulesStarted = true;
    }
  }
  void SetUp() override {
    app::SetUpScene();
    wincrt::ResetKeyQueue();
    app::lastkey = '\0';
    app::BeginDisplay();
    ASSERT_TRUE(graph::IsGraphMode);
    realClearViewPort = graph::ClearViewPort;
    graph::ClearViewPort = &CountingClearViewPort;
    clears = 0;
  }
  void TearDown() override {
    graph::ClearViewPort = realClearViewPort;
    graph::CloseGraph();
  }
  static std::uint32_t ScaleBits() { return Bits(app::scale); }
  static bool ImageIsBlack() {
    const platform::Window w = graph::GraphWindow;
    for (int y = 0; y < 600; y += 3)
      for (int x = 0; x < 800; x += 3)
        if (platform::memory::ImagePixel(w, x, y) != 0) return false;
    return true;
  }
};

TEST_F(FrameLoop, NoKeyNoClear) {
  for (int i = 0; i < 3; ++i) app::RunFrame();
  EXPECT_EQ(clears, 0);
  EXPECT_EQ(ScaleBits(), app::kStartScaleBits);
  EXPECT_EQ(app::lastkey, '\0');
  EXPECT_FALSE(ImageIsBlack());
  EXPECT_FALSE(app::DisplayEnded());
}

TEST_F(FrameLoop, AnyCharacterClearsOnce) {
  wincrt::AddChar('a');
  app::RunFrame();
  EXPECT_EQ(clears, 1);
  EXPECT_EQ(app::lastkey, 'a');
  EXPECT_EQ(ScaleBits(), app::kStartScaleBits);
  EXPECT_TRUE(ImageIsBlack());  // the clear comes after the frame's drawing
  app::RunFrame();
  EXPECT_EQ(clears, 1);
}

TEST_F(FrameLoop, OneCharacterPerFrameInTypingOrder) {
  wincrt::AddChar('=');
  wincrt::AddChar('=');
  wincrt::AddChar('-');
  app::RunFrame();
  EXPECT_EQ(ScaleBits(), 0x40345EBAu);
  EXPECT_EQ(clears, 1);
  app::RunFrame();
  EXPECT_EQ(app::lastkey, '=');
  EXPECT_EQ(clears, 2);
  app::RunFrame();
  EXPECT_EQ(ScaleBits(), 0x40345EBAu);
  EXPECT_EQ(clears, 3);
  EXPECT_FALSE(wincrt::KeyPressed());
}

TEST_F(FrameLoop, ZoomThenEnterEndsInTheNextFrame) {
  wincrt::AddChar('=');
  wincrt::AddChar('\r');
  wincrt::AddChar('x');  // typed after Enter: never read
  app::RunFrame();
  EXPECT_FALSE(app::DisplayEnded());
  EXPECT_EQ(ScaleBits(), 0x40345EBAu);
  app::RunFrame();
  EXPECT_TRUE(app::DisplayEnded());
  EXPECT_EQ(clears, 2);  // the last frame still clears
  EXPECT_TRUE(wincrt::KeyPressed());
}

TEST_F(FrameLoop, ArrowKeyIsReadOverTwoFrames) {
  wincrt::MsgHandler(0, platform::WM_KEYDOWN, platform::VK_LEFT, 0);
  app::RunFrame();
  EXPECT_EQ(app::lastkey, '\0');
  EXPECT_EQ(clears, 1);
  app::RunFrame();
  EXPECT_EQ(app::lastkey, 75);
  EXPECT_EQ(clears, 2);
  EXPECT_EQ(ScaleBits(), app::kStartScaleBits);
}

TEST_F(FrameLoop, SecondCharacterOfF3ZoomsIn) {
  wincrt::MsgHandler(0, platform::WM_KEYDOWN, platform::VK_F1 + 2, 0);
  app::RunFrame();
  EXPECT_EQ(ScaleBits(), app::kStartScaleBits);
  app::RunFrame();
  EXPECT_EQ(app::lastkey, '=');
  EXPECT_EQ(ScaleBits(), 0x40345EBAu);
}

TEST_F(FrameLoop, CharactersTypedIntoTheWindowReachTheLoop) {
  const platform::Window w = graph::GraphWindow;
  platform::PostMessage(w, platform::WM_KEYDOWN, platform::VK_RETURN, 0);
  platform::PostMessage(w, platform::WM_CHAR, '\r', 0);
  platform::memory::WaitUntilIdle();
  app::RunFrame();
  EXPECT_TRUE(app::DisplayEnded());
}

// Ctrl pressed in the window and let go after the focus left it: F3 back in
// the window is F3 again, not Ctrl+F3.
TEST_F(FrameLoop, LosingTheFocusLetsGoOfCtrl) {
  using namespace platform;
  const Window w = graph::GraphWindow;
  PostMessage(w, WM_KEYDOWN, VK_CONTROL, 0);
  PostMessage(w, WM_KILLFOCUS, 0, 0);
  PostMessage(w, WM_KEYDOWN, VK_F1 + 2, 0);
  memory::WaitUntilIdle();
  app::RunFrame();
  app::RunFrame();
  EXPECT_EQ(app::lastkey, '=');
  EXPECT_EQ(ScaleBits(), 0x40345EBAu);
}

TEST_F(FrameLoop, WindowClosedFromOutsideEndsTheLoop) {
  app::RunFrame();
  EXPECT_FALSE(app::DisplayEnded());
  platform::memory::PostCloseFromOutside(graph::GraphWindow);
  platform::memory::WaitUntilIdle();
  app::RunFrame();
  EXPECT_TRUE(app::DisplayEnded());
}

TEST_F(FrameLoop, ZoomingOutTwentySevenTimesDrawsNearTheCentre) {
  for (int i = 0; i < 27; ++i) wincrt::AddChar('-');
  for (int i = 0; i < 28; ++i) app::RunFrame();
  EXPECT_EQ(ScaleBits(), 0x3C95C449u);
  const platform::Window w = graph::GraphWindow;
  int lit = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x)
      if (platform::memory::ImagePixel(w, x, y) != 0) {
        ++lit;
        EXPECT_LE(std::abs(x - 399), 2);
        EXPECT_LE(std::abs(y - 299), 2);
      }
  EXPECT_GT(lit, 0);
}

// The golden frames turn the cloud as this loop does when no key is read:
// after three frames the window's image is the picture they paint.
TEST_F(FrameLoop, ImageIsTheGoldenPictureAfterThreeFrames) {
  for (int i = 0; i < 3; ++i) app::RunFrame();
  const platform::Window w = graph::GraphWindow;
  golden::Start();
  golden::RunUntilFrame(3);
  golden::Stop();
  int differing = 0;
  for (int y = 0; y < golden::kHeight; ++y)
    for (int x = 0; x < golden::kWidth; ++x) {
      const std::uint32_t wanted = golden::ScreenColour(golden::picture[y * golden::kWidth + x]);
      if (platform::memory::ImagePixel(w, x, y) != wanted && ++differing <= 3)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
    }
  EXPECT_EQ(differing, 0);
}

}  // namespace
