// The process frame: start-up, the exit chain, the error output and the
// numbered runtime errors.
#pragma once

#include <cstdint>
#include <string_view>

namespace runtime {

// An exit step. A module that installs one keeps the previous ExitProc and
// puts it back when its step runs, so the steps run last added first.
using ExitStep = void (*)();

extern ExitStep ExitProc;
extern std::uint16_t ErrorCode;     // number of the pending runtime error
extern const void* ErrorAddr;       // where it arose; non-null: an error is pending
extern std::uint16_t ExitCode;      // handed to the system when the process ends

// First of the module initialisations: the floating-point environment, the
// fault handler and the error output.
void InitModule();

// Round to nearest even, 64-bit significand, traps on invalid operation,
// division by zero and overflow (x87 and SSE), pending flags cleared.
void SetFloatingPointEnvironment();

// Ends the process: the exit chain, the error report when one is pending,
// the error output shown, then the exit code. Any thread.
[[noreturn]] void Halt(std::uint16_t exitCode);

// Runtime error n, raised at the caller's return address.
[[noreturn]] void RunError(std::uint16_t n);

// Standard output and standard error of this windowed process: text is
// collected and shown in the "Error" message box at line ends. Any thread.
void WriteErrorOutput(std::string_view text);

}  // namespace runtime
