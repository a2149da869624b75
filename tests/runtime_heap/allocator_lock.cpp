#include "allocator_lock.hpp"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <thread>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <pthread.h>
#include <unistd.h>

#include <csignal>
#endif

namespace heap_test {

namespace {
std::atomic<bool> held{false};
}  // namespace

#if defined(_WIN32)

[[noreturn]] void FaultInsideTheAllocator() { std::abort(); }

void HoldTheAllocatorOnAnotherThread() {
  CreateThread(
      nullptr, 0,
      [](void*) -> DWORD {
        HANDLE heaps[64];
        const DWORD count = GetProcessHeaps(64, heaps);
        for (DWORD i = 0; i < count && i < 64; ++i) HeapLock(heaps[i]);
        held = true;
        for (;;) Sleep(INFINITE);
      },
      nullptr, 0, nullptr);
  while (!held) Sleep(1);
}

void EndAfter(int seconds) {
  static int delay;
  delay = seconds;
  CreateThread(
      nullptr, 0,
      [](void*) -> DWORD {
        Sleep(static_cast<DWORD>(delay) * 1000);
        TerminateProcess(GetCurrentProcess(), 99);
        return 0;
      },
      nullptr, 0, nullptr);
}

#else

namespace {

enum Mode { kPassThrough, kLocking, kFaultInside };
std::atomic<int> mode{kPassThrough};
pthread_mutex_t allocatorLock = PTHREAD_MUTEX_INITIALIZER;
// Not null: a store through null is caught by the undefined-behaviour
// checker before it reaches the CPU.
int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});

// true: the lock is held and must be released after the call.
bool Enter() {
  const int now = mode.load();
  if (now == kPassThrough) return false;
  pthread_mutex_lock(&allocatorLock);
  if (now == kFaultInside) *nowhere = 1;
  return true;
}

void Leave(bool locked) {
  if (locked) pthread_mutex_unlock(&allocatorLock);
}

}  // namespace

[[noreturn]] void FaultInsideTheAllocator() {
  mode = kFaultInside;
  void* volatile memory = std::malloc(64);
  std::free(memory);
  std::abort();  // not reached: the allocation faulted
}

void HoldTheAllocatorOnAnotherThread() {
  std::thread([] {
    mode = kLocking;
    pthread_mutex_lock(&allocatorLock);
    held = true;
    for (;;) pause();
  }).detach();
  while (!held) std::this_thread::yield();
}

void EndAfter(int seconds) {
  // SIGALRM's default action ends the process.
  alarm(static_cast<unsigned>(seconds));
}

#endif

}  // namespace heap_test

#if !defined(_WIN32)

// The malloc family of this executable, in front of the C library's.
extern "C" {
void* __libc_malloc(std::size_t size);
void __libc_free(void* memory);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* memory, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);

void* malloc(std::size_t size) {
  const bool locked = heap_test::Enter();
  void* memory = __libc_malloc(size);
  heap_test::Leave(locked);
  return memory;
}

void free(void* memory) {
  const bool locked = heap_test::Enter();
  __libc_free(memory);
  heap_test::Leave(locked);
}

void* calloc(std::size_t count, std::size_t size) {
  const bool locked = heap_test::Enter();
  void* memory = __libc_calloc(count, size);
  heap_test::Leave(locked);
  return memory;
}

void* realloc(void* memory, std::size_t size) {
  const bool locked = heap_test::Enter();
  void* moved = __libc_realloc(memory, size);
  heap_test::Leave(locked);
  return moved;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
  const bool locked = heap_test::Enter();
  void* memory = __libc_memalign(alignment, size);
  heap_test::Leave(locked);
  return memory;
}

void* memalign(std::size_t alignment, std::size_t size) { return aligned_alloc(alignment, size); }

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
  void* memory = aligned_alloc(alignment, size);
  if (memory == nullptr) return 12;  // ENOMEM
  *out = memory;
  return 0;
}
}

#endif
