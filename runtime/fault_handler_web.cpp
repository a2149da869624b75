// WebAssembly has no signals: a trap ends the thread it happens on, and the
// page reports it as the runtime error the desktops give for the same fault
// (page.js).
#include <pthread.h>

#include <atomic>

#include "os.hpp"
#include "program_thread_web.hpp"

namespace runtime {

namespace {

std::atomic<pthread_t> programThread{};
std::atomic<bool> haveProgramThread{false};

}  // namespace

bool ProgramThread(pthread_t& thread) {
  if (!haveProgramThread) return false;
  thread = programThread.load();
  return true;
}

// Called by InitModule on the program thread.
void InstallFaultHandler() {
  programThread = pthread_self();
  haveProgramThread = true;
}

void RemoveFaultHandler() {}

void PrepareWorkerThread() {}

}  // namespace runtime
