// The end-of-process semaphores over POSIX ones (Linux and the page build).
#include <errno.h>
#include <semaphore.h>
#include <time.h>

#include "os.hpp"

namespace runtime {

struct Semaphore {
  sem_t semaphore;
};

Semaphore* MakeSemaphore() {
  auto* made = new Semaphore;
  sem_init(&made->semaphore, 0, 0);
  return made;
}

void PostSemaphore(Semaphore* semaphore) { sem_post(&semaphore->semaphore); }

bool WaitSemaphore(Semaphore* semaphore, int milliseconds) {
  if (milliseconds < 0) {
    while (sem_wait(&semaphore->semaphore) != 0) {
    }
    return true;
  }
  timespec until{};
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_sec += milliseconds / 1000;
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  for (;;) {
    if (sem_timedwait(&semaphore->semaphore, &until) == 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace runtime
