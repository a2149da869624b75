// The window thread's wait: on the compositor's connection and the shared
// self-pipe, no longer than until the held key repeats next; and what the
// compositor sent, dispatched before each look at the queue.
#include "platform/shared/wake_pipe.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

void Wake(ThreadId) { shared::WriteWakeByte(); }

bool WaitForEvents() {
  // Every event read so far was dispatched before the model let the thread
  // sleep, so what is left arrives on one of the two, or is the next repeat.
  int fd = -1;
  if (TheDisplay != nullptr) {
    Flush();
    fd = wl_display_get_fd(TheDisplay);
  }
  return shared::WaitForWakeOr(fd, MillisecondsToRepeat());
}

void TranslatePendingEvents() {
  if (TheDisplay == nullptr) return;
  ReadAndDispatch(0);
  RepeatDueKeys();
}

}  // namespace platform::wayland
