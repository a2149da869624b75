// The window thread's wait: on the X connection and the shared self-pipe,
// so it never blocks inside Xlib.
#include "platform/shared/wake_pipe.hpp"
#include "x11_backend.hpp"

namespace platform::x11 {

void Wake(ThreadId) { shared::WriteWakeByte(); }

bool WaitForEvents() {
  // Xlib may hold events it has read already; the model took those before
  // it let the thread sleep, so what is left arrives on one of the two.
  return shared::WaitForWakeOr(TheDisplay != nullptr ? ConnectionNumber(TheDisplay) : -1, -1);
}

}  // namespace platform::x11
