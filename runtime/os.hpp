// What the runtime needs of the operating system, one file per OS
// (*_linux.cpp, *_windows.cpp).
#pragma once

#include <cstdint>

namespace runtime {

// First of all at start-up: the standard streams open (on /dev/null where
// one was closed) and the stacks of the threads to come sized. Program thread.
void PrepareProcessStart();

// Where the program's image was loaded: report addresses are offsets from it,
// so that they match the addresses in the executable file.
std::uintptr_t CodeBase();

// The stack of the calling thread, [low, high). The caller walk never reads
// outside it.
struct StackBounds {
  std::uintptr_t low = 0;
  std::uintptr_t high = 0;
};
// What NoteThreadStack found for the calling thread; empty for a thread that
// never called it. No heap, no lock: the error path asks it.
StackBounds CurrentThreadStack();
// Finds the calling thread's stack for CurrentThreadStack. Called first thing
// on each thread the runtime knows of (it may allocate).
void NoteThreadStack();

// Whether the error output goes straight to the user's console instead of a
// message box. Any thread.
bool ConsoleTakesErrorOutput();

// Text for the console, as it is. Any thread; no heap, no lock.
void WriteToConsole(const char* text, std::int32_t length);

// Ends the process with code at once: no exit steps, no destructors. Any
// thread.
[[noreturn]] void EndProcess(std::uint16_t code);
// What the end of the process relies on when the thread ending it may hold
// any lock: made at start-up, used without heap or lock afterwards.
struct Semaphore;
Semaphore* MakeSemaphore();
// Any thread, also a signal handler.
void PostSemaphore(Semaphore* semaphore);
// Waits for a post, at most milliseconds (-1: without limit); false when the
// time ran out first.
bool WaitSemaphore(Semaphore* semaphore, int milliseconds);
// Runs body on a thread of its own that no console interrupt reaches; with
// quiet, no signal at all. false when no thread could be made.
bool StartServiceThread(void (*body)(), bool quiet);
// Ends the process at once with exitCode, whatever its other threads hold.
[[noreturn]] void EndProcessNow(std::uint16_t exitCode);
// Sleeps as short as the frame loop asks for, from start-up to the exit
// chain: the system timer at 1 ms on Windows, no timer slack on the program
// thread on Linux. Program thread.
void FineTimerResolution();
void RestoreTimerResolution();

// The process-wide fault handler and the current thread's spare signal stack.
void InstallFaultHandler();
void RemoveFaultHandler();

}  // namespace runtime
