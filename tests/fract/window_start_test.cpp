#include <gtest/gtest.h>

#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "modes.hpp"
#include "platform/memory/memory_control.hpp"
#include "window_thread.hpp"

namespace {

namespace mem = platform::memory;

// The window start-up on the in-memory window system.
class WindowStart : public testing::Test {
 protected:
  void SetUp() override {
    mem::ResetSystemMetrics();
    graph::QueryAdapterInfo();
    mem::ClearMessageBoxes();
  }
  void TearDown() override {
    graph::CloseGraph();
    mem::FailWindowRegistration(false);
    mem::FailWindowCreation(false);
    for (platform::Window w : foreign_) mem::DestroyForeignWindow(w);
    mem::ResetSystemMetrics();
    graph::QueryAdapterInfo();
  }
  platform::Window Foreign(const char* caption) {
    foreign_.push_back(mem::CreateForeignWindow(caption));
    return foreign_.back();
  }
  std::vector<platform::Window> foreign_;
};

TEST_F(WindowStart, CaptionsTheWindowAndGreysClose) {
  INITGRAPHMODE(30010);
  ASSERT_TRUE(graph::IsGraphMode);
  const platform::Window w = graph::GraphWindow;
  EXPECT_EQ(mem::Caption(w), "Fractals");
  EXPECT_TRUE(mem::CloseGreyed(w));
  EXPECT_EQ(graph::GetMaxX(), 799);
  EXPECT_EQ(graph::GetMaxY(), 599);
}

TEST_F(WindowStart, LeavesOtherProgramsWindowsAlone) {
  // Created first, so a look-up by caption would find them before ours.
  const platform::Window graphWindow = Foreign("Graph window application");
  const platform::Window otherFractals = Foreign("Fractals");
  INITGRAPHMODE(30010);
  ASSERT_TRUE(graph::IsGraphMode);
  EXPECT_EQ(mem::Caption(graphWindow), "Graph window application");
  EXPECT_FALSE(mem::CloseGreyed(graphWindow));
  EXPECT_EQ(mem::Caption(otherFractals), "Fractals");
  EXPECT_FALSE(mem::CloseGreyed(otherFractals));
  EXPECT_EQ(mem::Caption(graph::GraphWindow), "Fractals");
  EXPECT_TRUE(mem::CloseGreyed(graph::GraphWindow));
}

TEST_F(WindowStart, DoesNothingWhenTheWindowCouldNotBeOpened) {
  const platform::Window other = Foreign("Graph window application");
  mem::FailWindowCreation(true);
  INITGRAPHMODE(30010);  // returns normally
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_EQ(graph::GraphResult, -11);
  EXPECT_EQ(mem::Caption(other), "Graph window application");
  EXPECT_FALSE(mem::CloseGreyed(other));
  ASSERT_EQ(mem::MessageBoxes().size(), 1u);
  EXPECT_EQ(mem::MessageBoxes()[0].text, "Window creation failed");
}

TEST_F(WindowStart, DoesNothingOnAScreenWithoutRoom) {
  mem::SetSystemMetric(platform::SM_CXSCREEN, 640);
  mem::SetSystemMetric(platform::SM_CYSCREEN, 480);
  mem::SetSystemMetric(platform::SM_CXFULLSCREEN, 640);
  mem::SetSystemMetric(platform::SM_CYFULLSCREEN, 460);
  graph::QueryAdapterInfo();
  INITGRAPHMODE(30010);
  EXPECT_FALSE(graph::IsGraphMode);
  EXPECT_EQ(graph::GraphResult, -10);
  EXPECT_TRUE(mem::MessageBoxes().empty());
}

TEST_F(WindowStart, NotInGraphicsModeShowsAtTheFirstPixel) {
  mem::FailWindowRegistration(true);
  INITGRAPHMODE(30010);
  EXPECT_EXIT(graph::PutPixel(0, 0, 113), testing::ExitedWithCode(1),
              "Error: Not in graphics mode \\(use InitGraph and test GraphResult afterwards\\)");
}

}  // namespace
