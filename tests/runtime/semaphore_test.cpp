// The end-of-process semaphores when the C library fails them or the wall
// clock steps: the calls are wrapped at link time (see tests/CMakeLists.txt).
#if defined(__linux__)

#include <errno.h>
#include <gtest/gtest.h>
#include <semaphore.h>
#include <time.h>

#include <atomic>
#include <chrono>

#include "os.hpp"

namespace {

std::atomic<bool> failInit{false};
std::atomic<int> waitErrors{0};  // sem_wait calls still to fail with EINVAL
std::atomic<int> failedWaits{0};
std::atomic<long> wallClockStep{0};  // seconds added to CLOCK_REALTIME

}  // namespace

extern "C" {
int __real_sem_init(sem_t* semaphore, int shared, unsigned value);
int __real_sem_wait(sem_t* semaphore);
int __real_clock_gettime(clockid_t clock, timespec* time);

int __wrap_sem_init(sem_t* semaphore, int shared, unsigned value) {
  if (failInit) {
    errno = ENOSYS;
    return -1;
  }
  return __real_sem_init(semaphore, shared, value);
}

int __wrap_sem_wait(sem_t* semaphore) {
  if (waitErrors > 0) {
    // Gives up after many, so that a loop that never stops still ends the test.
    failedWaits.fetch_add(1);
    if (waitErrors.fetch_sub(1) > 1) {
      errno = EINVAL;
      return -1;
    }
    return 0;
  }
  return __real_sem_wait(semaphore);
}

int __wrap_clock_gettime(clockid_t clock, timespec* time) {
  const int result = __real_clock_gettime(clock, time);
  if (clock == CLOCK_REALTIME) time->tv_sec += wallClockStep;
  return result;
}
}

namespace {

// The runtime makes its semaphores once and keeps them for good; so do the
// cases, where the leak check can still see them.
runtime::Semaphore* kept[4];
int keptCount = 0;
runtime::Semaphore* Keep(runtime::Semaphore* semaphore) {
  if (semaphore != nullptr && keptCount < 4) kept[keptCount++] = semaphore;
  return semaphore;
}

TEST(EndSemaphores, ASemaphoreTheLibraryCannotMakeIsNoneAndWaitsForNothing) {
  failInit = true;
  runtime::Semaphore* semaphore = Keep(runtime::MakeSemaphore());
  failInit = false;
  EXPECT_EQ(semaphore, nullptr);
  runtime::PostSemaphore(semaphore);
  EXPECT_FALSE(runtime::WaitSemaphore(semaphore, -1));
  EXPECT_FALSE(runtime::WaitSemaphore(semaphore, 10));
}

TEST(EndSemaphores, AWaitThatFailsOtherwiseThanByAnInterruptEnds) {
  runtime::Semaphore* semaphore = Keep(runtime::MakeSemaphore());
  ASSERT_NE(semaphore, nullptr);
  failedWaits = 0;
  waitErrors = 1000;
  EXPECT_FALSE(runtime::WaitSemaphore(semaphore, -1));
  waitErrors = 0;
  EXPECT_EQ(failedWaits.load(), 1);
}

TEST(EndSemaphores, AGracePeriodIsNotCutShortByTheWallClock) {
  runtime::Semaphore* semaphore = Keep(runtime::MakeSemaphore());
  ASSERT_NE(semaphore, nullptr);
  // The wall clock an hour behind: a deadline taken from it lies in the past.
  wallClockStep = -3600;
  const auto start = std::chrono::steady_clock::now();
  const bool posted = runtime::WaitSemaphore(semaphore, 300);
  const auto waited = std::chrono::steady_clock::now() - start;
  wallClockStep = 0;
  EXPECT_FALSE(posted);
  EXPECT_GE(waited, std::chrono::milliseconds(300));
  runtime::PostSemaphore(semaphore);
  EXPECT_TRUE(runtime::WaitSemaphore(semaphore, 300));
}

}  // namespace

#endif
