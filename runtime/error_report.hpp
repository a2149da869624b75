// The report of a runtime error: its first line, the error address and the
// return addresses of the callers, found by walking the saved frame pointers.
#pragma once

#include <cstdint>

#include "os.hpp"

namespace runtime {

inline constexpr int kMaxCallerLines = 257;
// A console scrolls; there the walk is kept short.
inline constexpr int kMaxCallerLinesOnConsole = 9;

// Saved frame pointer of the frame the pending error arose in, and the stack
// of the thread it arose on.
extern const void* ErrorFrame;
extern StackBounds ErrorStack;

// Return addresses of the callers, outward from frame, into callers (room for
// limit). Stops at a null frame or return address, at a next frame that does
// not lie above the current one, at a frame outside stack, or at limit.
int WalkCallers(const void* frame, StackBounds stack, int limit, const void** callers);

// "$" and addr as 8 upper-case hex digits, counted from CodeBase(); out holds
// at least 10 characters.
void FormatCodeAddress(const void* addr, char* out);

// Stands for a place in the code that the system cannot tell: a pending
// error needs an address, and this one is formatted as 0.
extern const void* const UnknownCodeAddress;

// Formats the report of the pending error (ErrorCode, ErrorAddr, ErrorFrame)
// into ReportText. No heap, no lock: the faulting thread may hold either.
void FormatErrorReport();

// Writes ReportText to the error output, one flush per line.
void WriteFormattedErrorReport();
// Formats the report and writes it.
void WriteErrorReport();

}  // namespace runtime
