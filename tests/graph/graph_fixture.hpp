// A graphics module started on the in-memory window system, and helpers to
// open the program's mode and look at what the window holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "graph/graph.hpp"
#include "modes.hpp"
#include "platform/memory/memory_control.hpp"
#include "window_thread.hpp"

namespace graph_test {

namespace mem = platform::memory;

// 0x00RRGGBB of palette entry 113, (112, 28, 0).
inline constexpr std::uint32_t Colour113 = 0x701C00;

inline void SetScreen(int width, int height, int frameX, int frameY, int caption, int fullWidth,
                      int fullHeight) {
  mem::SetSystemMetric(platform::SM_CXSCREEN, width);
  mem::SetSystemMetric(platform::SM_CYSCREEN, height);
  mem::SetSystemMetric(platform::SM_CXFRAME, frameX);
  mem::SetSystemMetric(platform::SM_CYFRAME, frameY);
  mem::SetSystemMetric(platform::SM_CYCAPTION, caption);
  mem::SetSystemMetric(platform::SM_CXFULLSCREEN, fullWidth);
  mem::SetSystemMetric(platform::SM_CYFULLSCREEN, fullHeight);
}

// The program's request: the 256-colour driver, 800 x 600, no path.
inline void OpenProgramMode() {
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "");
}

inline platform::Window Window() { return graph::GraphWindow.load(); }

// Pixels of the image that are not black.
inline int LitImagePixels() {
  int lit = 0;
  for (int y = 0; y <= graph::MaxY; ++y) {
    for (int x = 0; x <= graph::MaxX; ++x) lit += mem::ImagePixel(Window(), x, y) != 0;
  }
  return lit;
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mem::ResetSystemMetrics();
    mem::FailWindowRegistration(false);
    mem::FailWindowCreation(false);
    mem::FailSurfaces(false);
    mem::SetFrameSurplus(0, 0);
    mem::SetDisplayScale(1);
    graph::InitModule();
  }
  void TearDown() override {
    if (graph::IsGraphMode) graph::CloseGraph();
    graph::CharMessageHandler = nullptr;
    graph::MouseMessageHandler = nullptr;
    graph::CommandMessageHandler = nullptr;
    graph::NotifyMessageHandler = nullptr;
    mem::FailWindowCreation(false);
    mem::FailSurfaces(false);
    mem::SetFrameSurplus(0, 0);
    mem::SetDisplayScale(1);
    mem::ResetSystemMetrics();
  }
};

}  // namespace graph_test
