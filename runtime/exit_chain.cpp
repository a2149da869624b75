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

// An exit chain that has not finished by then after an error (an exit step
// waiting for a lock the failing code held) is given up, so the report is
// still shown and the process still ends.
constexpr auto kExitChainGrace = std::chrono::seconds(3);

std::atomic<std::thread::id> endingThread{};
std::atomic<std::thread::id> finishingThread{};
std::atomic<bool> watchdogStarted{false};

[[noreturn]] void WaitForTheEnd() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void StartExitChainWatchdog() {
  if (watchdogStarted.exchange(true)) return;
  try {
    std::thread([] {
      std::this_thread::sleep_for(kExitChainGrace);
      FinishProcess();
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the chain runs unguarded.
  }
}

}  // namespace

void ClaimProcessEnd(std::atomic<std::thread::id>& owner) {
  const std::thread::id self = std::this_thread::get_id();
  std::thread::id none{};
  if (owner.compare_exchange_strong(none, self)) return;
  // The thread already ending the process may come back through here: an
  // exit step that fails raises its own runtime error.
  if (none != self) WaitForTheEnd();
}

std::atomic<bool> ProcessEnding{false};

void ClaimProcessEnd() {
  ClaimProcessEnd(endingThread);
  ProcessEnding = true;
}

void FinishProcess() {
  ClaimProcessEnd(finishingThread);
  if (ErrorAddr != nullptr) WriteErrorReport();
  CloseErrorOutput();
  RemoveFaultHandler();
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(ExitCode);
}

void Halt(std::uint16_t exitCode) {
  ClaimProcessEnd();
  ExitCode = exitCode;
  if (ErrorAddr != nullptr) StartExitChainWatchdog();
  while (ExitProc != nullptr) {
    const ExitStep step = ExitProc;
    ExitProc = nullptr;
    step();
  }
  FinishProcess();
}

}  // namespace runtime
