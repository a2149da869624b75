// What the runtime needs of the operating system, one file per OS
// (*_linux.cpp, *_windows.cpp).
#pragma once

#include <cstdint>

namespace runtime {

// Where the program's image was loaded: report addresses are offsets from it,
// so that they match the addresses in the executable file.
std::uintptr_t CodeBase();

// The stack of the calling thread, [low, high). The caller walk never reads
// outside it.
struct StackBounds {
  std::uintptr_t low = 0;
  std::uintptr_t high = 0;
};
StackBounds CurrentThreadStack();

// Whether the error output goes straight to the user's console instead of a
// message box. Any thread.
bool ConsoleTakesErrorOutput();

// Text for the console, as it is. Any thread.
void WriteToConsole(const char* text, std::int32_t length);

// Sleeps as short as the frame loop asks for, from start-up to the exit
// chain: the system timer at 1 ms on Windows, no timer slack on the program
// thread on Linux. Program thread.
void FineTimerResolution();
void RestoreTimerResolution();

// The process-wide fault handler and the current thread's spare signal stack.
void InstallFaultHandler();
void RemoveFaultHandler();

}  // namespace runtime
