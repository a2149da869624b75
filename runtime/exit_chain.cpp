#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "error_report.hpp"
#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

ExitStep ExitProc = nullptr;
std::uint16_t ErrorCode = 0;
const void* ErrorAddr = nullptr;
std::uint16_t ExitCode = 0;

namespace {

std::atomic<std::thread::id> endingThread{};
std::atomic<std::thread::id> finishingThread{};

[[noreturn]] void WaitForTheEnd() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

}  // namespace

bool ClaimProcessEnd(std::atomic<std::thread::id>& owner) {
  const std::thread::id self = std::this_thread::get_id();
  std::thread::id none{};
  if (owner.compare_exchange_strong(none, self)) return true;
  if (none != self) WaitForTheEnd();
  return false;
}

bool ClaimProcessEnd() { return ClaimProcessEnd(endingThread); }

bool ProcessEnding() { return endingThread.load() != std::thread::id{}; }

bool IsEndingThread() { return endingThread.load() == std::this_thread::get_id(); }

void NoteBoxShown() {
  if (finishingThread.load() != std::this_thread::get_id()) return;
  if (ReportBegun) ReportSeen = true;
  WatchEnding(EndingStage::BoxUp);
}

void NoteBoxDismissed() {
  if (finishingThread.load() == std::this_thread::get_id()) WatchEnding(EndingStage::Report);
}

void FinishProcess() {
  // Back here on the same thread, a report of its own failed on the way out:
  // what it could not show goes out without it.
  if (!ClaimProcessEnd(finishingThread)) EndWithoutWaiting();
  if (ErrorAddr != nullptr) {
    WatchEnding(EndingStage::Report);
    ReportBegun = true;
    WriteFormattedErrorReport();
  }
  CloseErrorOutput();
  RemoveFaultHandler();
  std::fflush(stdout);
  std::fflush(stderr);
  EndProcess(ExitCode);
}

void Halt(std::uint16_t exitCode) {
  // A Halt inside an exit step goes on with the chain; the code of an error
  // being reported stays.
  if (ClaimProcessEnd() || ErrorAddr == nullptr) ExitCode = exitCode;
  while (ExitProc != nullptr) {
    const ExitStep step = ExitProc;
    ExitProc = nullptr;
    step();
  }
  FinishProcess();
}

}  // namespace runtime
