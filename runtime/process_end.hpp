// The end of the process is done by one thread: another thread that tries
// meanwhile waits for it. After a runtime error a watchdog, started with the
// runtime, sees that the end does not get stuck on a lock the failing code
// held.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace runtime {

// Makes the calling thread the owner: true when it takes it now, false when
// it owned it already (an exit step that fails comes back through here).
// When another thread owns it, waits for the end. Any thread.
bool ClaimProcessEnd(std::atomic<std::thread::id>& owner);
// The same for the whole end, exit chain and all.
bool ClaimProcessEnd();

// The tail of the process end, after the exit chain: the report of a pending
// error, the error output closed, the fault handler removed, the exit code.
[[noreturn]] void FinishProcess();

// The report of the pending error as the error output shows it, formatted
// when the error is raised: the watchdog writes it out when nothing else
// could show it.
extern char ReportText[];
extern std::int32_t ReportLength;

// Where the end after a runtime error stands. Each step gives the next one
// the watchdog's grace period; a box that waits for the user has no limit.
enum class EndingStage { None, ExitChain, Report, BoxUp };

// Starts the watchdog and its stand-in, once. Start-up.
void StartWatchdog();
// The end has reached stage. Any thread; no heap, no lock.
void WatchEnding(EndingStage stage);
// An exit chain that does not come back in time leaves the report to the
// stand-in thread; a report that does not get out in time ends the process
// with the exit code, the report written straight to standard error unless
// the user has seen it.
[[noreturn]] void EndWithoutWaiting();
// Set once the report is on its way to the error output, and once the user
// has seen it (a box of it is up, or it went to the console).
extern std::atomic<bool> ReportBegun;
extern std::atomic<bool> ReportSeen;

// A box of the error output is up and waits for the user (or its text went
// to the console), or has been dismissed. They count when the thread
// finishing the process shows it.
void NoteBoxShown();
void NoteBoxDismissed();

// Whether the process is ending: its end has been claimed. Any thread, also
// a signal handler.
bool ProcessEnding();

}  // namespace runtime
