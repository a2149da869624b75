// What a plain 10 ms sleep takes on this machine: the yardstick that
// frame_pace.sh sets the program's frame period against. Each sleep is the
// platform's own call (a thread with the default timer slack on Linux, Sleep
// with the timer at 1 ms on Windows), timed around the call.
//
//   sleep_reference [COUNT]   (default 1000)
// prints: sleeps COUNT mean MS p99 MS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>
#else
#include <time.h>
#endif

namespace {

void SleepTenMs() {
#ifdef _WIN32
  ::Sleep(10);
#else
  const timespec pause{0, 10'000'000};
  clock_nanosleep(CLOCK_MONOTONIC, 0, &pause, nullptr);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
#ifdef _WIN32
  timeBeginPeriod(1);
#endif
  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  ms.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto start = Clock::now();
    SleepTenMs();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
#ifdef _WIN32
  timeEndPeriod(1);
#endif
  double sum = 0;
  for (double v : ms) sum += v;
  std::sort(ms.begin(), ms.end());
  const auto p99 = static_cast<std::size_t>(0.99 * static_cast<double>(ms.size() - 1));
  std::printf("sleeps %d mean %.4f p99 %.4f\n", count, sum / count, ms[p99]);
  return 0;
}
