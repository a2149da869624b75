#include <chrono>
#include <thread>

#include "wincrt/wincrt.hpp"

namespace wincrt {

void Delay(std::uint16_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace wincrt
