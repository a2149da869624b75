// WebAssembly has no signals: a trap ends the module and the page reports
// it. What the desktops do with a console interrupt, the page's test hook
// does here: it raises a runtime error on the program thread at its next
// pause, where the program holds no lock.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

std::atomic<pthread_t> programThread{};
std::atomic<bool> haveProgramThread{false};

// Runs on the program thread, from the queue its sleep serves.
[[gnu::noinline]] void RaiseQueuedError(int number) {
  SetFloatingPointEnvironment();
  RunError(static_cast<std::uint16_t>(number));
}

}  // namespace

// Called by InitModule on the program thread.
void InstallFaultHandler() {
  programThread = pthread_self();
  haveProgramThread = true;
}

void RemoveFaultHandler() {}

void PrepareWorkerThread() {}

}  // namespace runtime

// The page's test hook: runtime error number on the program thread, as a
// fault there would raise it. Main browser thread; the program thread takes
// it during its next Delay or ReadKey pause. 0 when there is no program
// thread yet.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_raise_run_error(int number) {
  if (!runtime::haveProgramThread || number <= 0 || number > 0xFFFF) return 0;
  emscripten_dispatch_to_thread_async(runtime::programThread.load(), EM_FUNC_SIG_VI,
                                      &runtime::RaiseQueuedError, nullptr, number);
  return 1;
}
