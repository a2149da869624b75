// The end of the process is done by one thread: another thread that tries
// meanwhile waits for it.
#pragma once

#include <atomic>
#include <thread>

namespace runtime {

// Makes the calling thread the one that ends the process, or waits for the
// end when another thread already is. Any thread.
void ClaimProcessEnd();
void ClaimProcessEnd(std::atomic<std::thread::id>& owner);

// The process has begun to end (ClaimProcessEnd): a console interrupt has
// nothing left to end, and must not report a second time. Read by the
// signal handler.
extern std::atomic<bool> ProcessEnding;

// The tail of the process end, after the exit chain: the report of a pending
// error, the error output closed, the fault handler removed, the exit code.
[[noreturn]] void FinishProcess();

}  // namespace runtime
