#include "error_report.hpp"
#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

void RaiseRunError(std::uint16_t n, const void* addr, const void* frame) {
  // An engine that gives no return address (a page in WebKit, whose stack
  // names no code offsets) still gets its report, at an address of 0.
  if (addr == nullptr) addr = UnknownCodeAddress;
  // A second error on another thread waits in the claim; one raised by an
  // exit step of this error's end is not reported over it.
  if (ClaimProcessEnd() || ErrorAddr == nullptr) {
    ErrorCode = n;
    ErrorAddr = addr;
    ErrorFrame = frame;
    ErrorStack = CurrentThreadStack();
    ExitCode = n;
    FormatErrorReport();
    WatchEnding(EndingStage::ExitChain);
  }
  Halt(n);
}

[[gnu::noinline]] void RunError(std::uint16_t n) {
  // This frame's first slot holds the caller's frame pointer.
  const void* callerFrame = *static_cast<const void* const*>(__builtin_frame_address(0));
  RaiseRunError(n, __builtin_return_address(0), callerFrame);
}

std::atomic<bool> InterruptPending{false};

[[gnu::noinline]] void CheckInterrupt() {
  if (!InterruptPending.load(std::memory_order_relaxed)) return;
  constexpr std::uint16_t kConsoleInterrupt = 217;
  SetFloatingPointEnvironment();
  const void* callerFrame = *static_cast<const void* const*>(__builtin_frame_address(0));
  RaiseRunError(kConsoleInterrupt, __builtin_return_address(0), callerFrame);
}

}  // namespace runtime
