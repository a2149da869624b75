#include <chrono>
#include <thread>

#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace wincrt {

void Delay(std::uint16_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  // The frame loop pauses here every frame holding no lock: the place where
  // a console interrupt ends the program.
  runtime::CheckInterrupt();
}

}  // namespace wincrt
