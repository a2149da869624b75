// The process frame: start-up, the exit chain, the error output and the
// numbered runtime errors.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

namespace runtime {

// An exit step. A module that installs one keeps the previous ExitProc and
// puts it back when its step runs, so the steps run last added first.
using ExitStep = void (*)();

extern ExitStep ExitProc;
extern std::uint16_t ErrorCode;  // number of the pending runtime error
extern const void* ErrorAddr;    // where it arose; non-null: an error is pending
extern std::uint16_t ExitCode;   // handed to the system when the process ends

// Text written to the error output and not shown yet, zero-terminated.
inline constexpr std::int32_t kErrorBufSize = 1024;
extern char ErrorBuf[kErrorBufSize + 1];
extern std::int32_t ErrorLen;

// Faults being handled at the moment. Beyond kMaxExceptLevel the fault
// handler declines and the system's own handling ends the process.
inline constexpr std::uint8_t kMaxExceptLevel = 16;
extern std::atomic<std::uint8_t> ExceptLevel;

// First of the module initialisations: the floating-point environment, the
// fault handler, the heap's failure handler and the error output.
void InitModule();

// Round to nearest even, 64-bit significand, traps on invalid operation,
// division by zero and overflow (x87 and SSE), pending flags cleared.
void SetFloatingPointEnvironment();

// Suspends the calling thread for ms milliseconds: the system's Sleep. Any
// thread.
void Sleep(std::uint32_t ms);

// Called first thing by every thread the modules start (the window thread):
// console interrupts stay with the program thread, and a stack overflow on
// this thread can still be reported.
void PrepareWorkerThread();

// Ends the process: the exit chain, the error report when one is pending,
// the error output shown, then the exit code. Any thread; while one thread
// ends the process, another that calls Halt waits for the end.
[[noreturn]] void Halt(std::uint16_t exitCode);

// Whether the calling thread is the one ending the process, running the exit
// chain. Any thread.
bool IsEndingThread();

// Runtime error n, raised at the caller's return address.
[[noreturn]] void RunError(std::uint16_t n);

// Runtime error n at addr; the caller walk of the report starts at frame
// (a saved frame pointer, null for none). Any thread.
[[noreturn]] void RaiseRunError(std::uint16_t n, const void* addr, const void* frame);

// A console interrupt (SIGINT, SIGTERM) waiting for a safe point.
extern std::atomic<bool> InterruptPending;

// A safe point: when an interrupt is pending, raises runtime error 217 here.
// Called where the caller holds no lock (the frame loop's pause). Any thread.
void CheckInterrupt();

// Standard output and standard error of this windowed process: writes text
// and flushes it, as a writer does at the end of each line. The text is
// collected in ErrorBuf and shown in the "Error" message box once it ends in
// three line-end characters or fills the buffer. Any thread.
void WriteErrorOutput(std::string_view text);

// Closes the error output: text still held is shown and the buffer emptied.
// Any thread.
void CloseErrorOutput();

}  // namespace runtime
