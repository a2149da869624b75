// How a window thread that waits on a window system's connection is woken
// by other threads: a self-pipe polled together with the connection, so the
// thread never blocks inside the system's library.
#pragma once

namespace platform::shared {

// Ends a WaitForWakeOr that is in progress or about to begin; one byte per
// sleep is enough, since the thread looks at its queue after every wake-up.
// Any thread, also with the model's lock held.
void WriteWakeByte();

// Blocks until a wake byte arrives, fd (when not -1) has something to read,
// or timeoutMs milliseconds pass (-1: no limit); false when the wait itself
// failed.
bool WaitForWakeOr(int fd, int timeoutMs);

}  // namespace platform::shared
