// Sleeps on Linux.
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

// The kernel may otherwise let a sleep run 50 us long, to bunch wake-ups; the
// frame loop sleeps every frame, so that slack would show in its pace.
constexpr unsigned long kTimerSlackNs = 1000;

}  // namespace

void FineTimerResolution() { prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0); }

// 0 gives the thread its default slack back.
void RestoreTimerResolution() { prctl(PR_SET_TIMERSLACK, 0ul, 0, 0, 0); }

void Sleep(std::uint32_t ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1'000'000L};
  // A signal (a console interrupt) cuts the sleep short; the rest is slept.
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
  }
}

}  // namespace runtime
