// The window thread's wait: poll() on the X connection and on a self-pipe
// that other threads write to when they have something for it, so it never
// blocks inside Xlib.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "x11_backend.hpp"

namespace platform::x11 {

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

// One byte per sleep is enough: the thread looks at its queue after every
// wake-up.
void Wake(ThreadId) {
  MakeWakePipe();
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(WakePipe[1], &byte, 1);
}

bool WaitForEvents() {
  MakeWakePipe();
  // Xlib may hold events it has read already; the model took those before
  // it let the thread sleep, so what is left arrives on one of the two.
  pollfd waits[2] = {{WakePipe[0], POLLIN, 0}, {-1, POLLIN, 0}};
  if (TheDisplay != nullptr) waits[1].fd = ConnectionNumber(TheDisplay);
  if (poll(waits, 2, -1) < 0 && errno != EINTR) return false;
  DrainWakePipe();
  return true;
}

}  // namespace platform::x11
