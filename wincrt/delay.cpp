#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace wincrt {

void Delay(std::uint16_t ms) {
  // What the program drew before its pause is one frame for the window.
  graph::PauseDrawing();
  runtime::Sleep(ms);
  // The frame loop pauses here every frame holding no lock: the place where
  // a console interrupt ends the program.
  runtime::CheckInterrupt();
}

}  // namespace wincrt
