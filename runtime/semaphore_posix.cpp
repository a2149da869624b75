// The end-of-process semaphores over POSIX ones (Linux and the page build).
#include <errno.h>
#include <semaphore.h>
#include <time.h>

#include <new>

#include "os.hpp"

namespace runtime {

struct Semaphore {
  sem_t semaphore;
};

Semaphore* MakeSemaphore() {
  auto* made = new (std::nothrow) Semaphore;
  if (made != nullptr && sem_init(&made->semaphore, 0, 0) != 0) {
    delete made;
    made = nullptr;
  }
  return made;
}

void PostSemaphore(Semaphore* semaphore) {
  if (semaphore != nullptr) sem_post(&semaphore->semaphore);
}

namespace {

// The deadline of a wait of milliseconds from now, on the clock the wait
// takes: the monotonic one where the C library can wait on it, so that a step
// of the wall clock neither cuts a grace period short nor stretches it. The
// page's library turns the deadline into a wait of its own length at once.
#if defined(__GLIBC__)
constexpr clockid_t kWaitClock = CLOCK_MONOTONIC;
int WaitUntil(sem_t* semaphore, const timespec& until) {
  return sem_clockwait(semaphore, kWaitClock, &until);
}
#else
constexpr clockid_t kWaitClock = CLOCK_REALTIME;
int WaitUntil(sem_t* semaphore, const timespec& until) { return sem_timedwait(semaphore, &until); }
#endif

}  // namespace

bool WaitSemaphore(Semaphore* semaphore, int milliseconds) {
  if (semaphore == nullptr) return false;
  if (milliseconds < 0) {
    for (;;) {
      if (sem_wait(&semaphore->semaphore) == 0) return true;
      if (errno != EINTR) return false;
    }
  }
  timespec until{};
  clock_gettime(kWaitClock, &until);
  until.tv_sec += milliseconds / 1000;
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  for (;;) {
    if (WaitUntil(&semaphore->semaphore, until) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace runtime
