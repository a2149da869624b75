#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <new>

#include "os.hpp"

namespace runtime {

struct Semaphore {
  HANDLE handle;
};

namespace {

DWORD WINAPI RunServiceThread(void* body) {
  reinterpret_cast<void (*)()>(body)();
  return 0;
}

}  // namespace

std::uintptr_t CodeBase() { return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)); }

StackBounds CurrentThreadStack() {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return {low, high};
}

// The thread's own record holds its stack: nothing to note in advance.
void NoteThreadStack() {}

// Threads take the stack size written in the executable; a windowed
// process has no standard streams to keep.
void PrepareProcessStart() {}

// A windowed process shows its error output in message boxes, console or not.
bool ConsoleTakesErrorOutput() { return false; }

void WriteToConsole(const char* text, std::int32_t length) {
  // Straight to the handle: the C library's stream lock may be held.
  const HANDLE errorOutput = GetStdHandle(STD_ERROR_HANDLE);
  if (errorOutput == nullptr || errorOutput == INVALID_HANDLE_VALUE) return;
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(errorOutput, text, static_cast<DWORD>(length), &written, nullptr) ||
        written == 0) {
      return;
    }
    text += written;
    length -= static_cast<std::int32_t>(written);
  }
}

Semaphore* MakeSemaphore() {
  const HANDLE handle = CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr);
  if (handle == nullptr) return nullptr;
  return new (std::nothrow) Semaphore{handle};
}

void PostSemaphore(Semaphore* semaphore) {
  if (semaphore != nullptr) ReleaseSemaphore(semaphore->handle, 1, nullptr);
}

bool WaitSemaphore(Semaphore* semaphore, int milliseconds) {
  if (semaphore == nullptr) return false;
  const DWORD limit = milliseconds < 0 ? INFINITE : static_cast<DWORD>(milliseconds);
  return WaitForSingleObject(semaphore->handle, limit) == WAIT_OBJECT_0;
}

// No console interrupt reaches a thread of a windowed process.
bool StartServiceThread(void (*body)(), bool /*quiet*/) {
  const HANDLE thread =
      CreateThread(nullptr, 0, RunServiceThread, reinterpret_cast<void*>(body), 0, nullptr);
  if (thread == nullptr) return false;
  CloseHandle(thread);
  return true;
}

void EndProcessNow(std::uint16_t exitCode) {
  TerminateProcess(GetCurrentProcess(), exitCode);
  for (;;) Sleep(INFINITE);
}

[[noreturn]] void EndProcess(std::uint16_t code) { std::_Exit(code); }

}  // namespace runtime
