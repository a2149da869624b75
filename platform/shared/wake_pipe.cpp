// The self-pipe of the window threads that wait on a connection.
#include "platform/shared/wake_pipe.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace platform::shared {

namespace {

int WakePipe[2] = {-1, -1};
std::once_flag WakePipeMade;

void MakeWakePipe() {
  std::call_once(WakePipeMade, [] {
    if (pipe2(WakePipe, O_NONBLOCK | O_CLOEXEC) != 0) WakePipe[0] = WakePipe[1] = -1;
  });
}

void DrainWakePipe() {
  char buffer[64];
  while (read(WakePipe[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

void WriteWakeByte() {
  MakeWakePipe();
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(WakePipe[1], &byte, 1);
}

bool WaitForWakeOr(int fd, int timeoutMs) {
  MakeWakePipe();
  pollfd waits[2] = {{WakePipe[0], POLLIN, 0}, {fd, POLLIN, 0}};
  if (poll(waits, 2, timeoutMs) < 0 && errno != EINTR) return false;
  DrainWakePipe();
  return true;
}

}  // namespace platform::shared
