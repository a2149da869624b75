// The page build: the program is a WebAssembly module, its code addresses are
// offsets into the module's code, and there is no console.
#include <emscripten/emscripten.h>
#include <errno.h>
#include <pthread.h>
#include <semaphore.h>
#include <time.h>
#include <unistd.h>

#include <cstddef>

#include "os.hpp"

namespace runtime {

// Return addresses already count from the start of the module's code.
std::uintptr_t CodeBase() { return 0; }

// WebAssembly keeps return addresses on a stack of its own that memory reads
// cannot reach; empty bounds end the caller walk before it starts.
StackBounds CurrentThreadStack() { return {}; }
void NoteThreadStack() {}

// A page has no console: the error output goes to the page's message boxes.
bool ConsoleTakesErrorOutput() { return false; }

void WriteToConsole(const char* text, std::int32_t length) {
  while (length > 0) {
    const ssize_t written = write(STDERR_FILENO, text, static_cast<std::size_t>(length));
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::int32_t>(written);
  }
}

[[noreturn]] void EndProcess(std::uint16_t code) {
  // The module's own exit: on a worker it hands the code to the page's
  // thread and unwinds this thread at once, with no destructors run; the
  // page then shows the end (page.js, Module.quit).
  EM_ASM({ exit($0); }, code);
  __builtin_unreachable();
}

struct Semaphore {
  sem_t semaphore;
};

Semaphore* MakeSemaphore() {
  auto* made = new Semaphore;
  sem_init(&made->semaphore, 0, 0);
  return made;
}

void PostSemaphore(Semaphore* semaphore) { sem_post(&semaphore->semaphore); }

bool WaitSemaphore(Semaphore* semaphore, int milliseconds) {
  if (milliseconds < 0) {
    while (sem_wait(&semaphore->semaphore) != 0) {
    }
    return true;
  }
  timespec until{};
  clock_gettime(CLOCK_REALTIME, &until);
  until.tv_sec += milliseconds / 1000;
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  for (;;) {
    if (sem_timedwait(&semaphore->semaphore, &until) == 0) return true;
    if (errno != EINTR) return false;
  }
}

namespace {
void* RunServiceThread(void* body) {
  reinterpret_cast<void (*)()>(body)();
  return nullptr;
}
}  // namespace

// A page has no signals: every thread is as quiet as the page lets it be.
bool StartServiceThread(void (*body)(), bool /*quiet*/) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  pthread_t thread;
  const bool started =
      pthread_create(&thread, &attr, RunServiceThread, reinterpret_cast<void*>(body)) == 0;
  pthread_attr_destroy(&attr);
  return started;
}

void EndProcessNow(std::uint16_t exitCode) { EndProcess(exitCode); }

}  // namespace runtime
