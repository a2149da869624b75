// The pause of the frame loop in the page build: the program thread is a
// worker of its own, so it may sleep; a page has no timer resolution to set.
#include <errno.h>
#include <time.h>

#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

void FineTimerResolution() {}

void RestoreTimerResolution() {}

void Sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace runtime
