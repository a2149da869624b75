// The watchdog over the end after a runtime error. It and its stand-in are
// started with the runtime, so that nothing is allocated once the error is
// raised; they wait on semaphores, which a thread holding any lock can post.
#include <thread>

#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

std::atomic<bool> ReportBegun{false};
std::atomic<bool> ReportSeen{false};

namespace {

// Long enough for an exit chain that closes a window, or for a box to come up.
constexpr int kGraceMilliseconds = 3000;

Semaphore* watchSignal = nullptr;
Semaphore* standInSignal = nullptr;
// Each thread posts it once it waits: by then it has done all a new thread
// does for the first time (which may allocate), before any error can hold
// the heap.
Semaphore* ready = nullptr;
bool standInStarted = false;
std::atomic<bool> watchdogStarted{false};

std::atomic<EndingStage> stage{EndingStage::None};
// Counts the steps, so that the watchdog tells a new step from the same one.
std::atomic<unsigned> steps{0};

void Advance(EndingStage next) {
  stage = next;
  steps.fetch_add(1);
}

void Watch() {
  WaitSemaphore(watchSignal, 0);
  PostSemaphore(ready);
  WaitSemaphore(watchSignal, -1);  // an error's end has begun
  for (;;) {
    const unsigned seen = steps.load();
    const EndingStage now = stage.load();
    if (now == EndingStage::BoxUp) {
      WaitSemaphore(watchSignal, -1);
      continue;
    }
    if (WaitSemaphore(watchSignal, kGraceMilliseconds) || steps.load() != seen) continue;
    if (now == EndingStage::ExitChain && standInStarted) {
      Advance(EndingStage::Report);
      PostSemaphore(standInSignal);
      continue;
    }
    EndWithoutWaiting();
  }
}

// Shows the report when the ending thread is stuck in the exit chain.
void StandIn() {
  // A thread's first id may be made on the heap (a thread the threads
  // library did not start): made now, it is there for the claim.
  static_cast<void>(std::this_thread::get_id());
  PostSemaphore(ready);
  WaitSemaphore(standInSignal, -1);
  FinishProcess();
}

}  // namespace

void StartWatchdog() {
  if (watchdogStarted.exchange(true)) return;
  Semaphore* const made[] = {MakeSemaphore(), MakeSemaphore(), MakeSemaphore()};
  // Without its semaphores the end goes unwatched (WatchEnding does nothing),
  // as before the runtime started.
  for (Semaphore* semaphore : made)
    if (semaphore == nullptr) return;
  watchSignal = made[0];
  standInSignal = made[1];
  ready = made[2];
  standInStarted = StartServiceThread(StandIn, false);
  if (standInStarted) WaitSemaphore(ready, -1);
  if (StartServiceThread(Watch, true)) WaitSemaphore(ready, -1);
}

void WatchEnding(EndingStage next) {
  if (watchSignal == nullptr) return;
  // Boxes and reports of an end without an error are not watched.
  if (next != EndingStage::ExitChain && stage.load() == EndingStage::None) return;
  Advance(next);
  PostSemaphore(watchSignal);
}

void EndWithoutWaiting() {
  if (ErrorAddr != nullptr && !ReportSeen) WriteToConsole(ReportText, ReportLength);
  EndProcessNow(ExitCode);
}

}  // namespace runtime
