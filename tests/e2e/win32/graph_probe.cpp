// A small program on the graphics module and the real window system, for the
// end-to-end tests to look at from outside: known pixels at the corners and a
// block in the middle, captioned "Probe drawn" once they are drawn.
//
// Keys: `c` clears the window (ClearDevice), `d` draws the pattern again,
// `o` overflows a float while the window is open (runtime error 205), Enter
// ends with exit code 0, Escape with exit code 7.
#include <cstdint>

#include "graph/graph.hpp"
#include "graph/window_thread.hpp"
#include "platform/window_system.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace {

// Palette entries 12, 10, 9 and 113 at the corners, 14 in the block: colours
// that tell the corners, and red from blue, apart.
void DrawPattern() {
  graph::PutPixel(0, 0, 12);
  graph::PutPixel(799, 0, 10);
  graph::PutPixel(0, 599, 9);
  graph::PutPixel(799, 599, 113);
  for (std::int16_t y = 250; y < 350; ++y) {
    for (std::int16_t x = 350; x < 450; ++x) {
      graph::PutPixel(x, y, 14);
    }
  }
}

volatile float large = 3.0e38f;
volatile float product = 0.0f;

}  // namespace

int main() {
  runtime::InitModule();
  graph::InitModule();
  wincrt::InitModule();
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "");
  DrawPattern();
  platform::SetWindowText(graph::GraphWindow, "Probe drawn");
  for (;;) {
    const char key = wincrt::ReadKey();
    if (key == 'c') {
      graph::ClearDevice();
    } else if (key == 'd') {
      DrawPattern();
    } else if (key == 'o') {
      product = large * 10.0f;
    } else if (key == 13 || key == 27) {
      graph::CloseGraph();
      runtime::Halt(key == 13 ? 0 : 7);
    }
  }
}
