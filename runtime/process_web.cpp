// The page build: the program is a WebAssembly module, its code addresses are
// offsets into the module's code, and there is no console.
#include <emscripten/emscripten.h>
#include <pthread.h>
#include <unistd.h>

#include <cstddef>

#include "os.hpp"

namespace runtime {

// Nothing of the page is the process's own to prepare.
void PrepareProcessStart() {}

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
