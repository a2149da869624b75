// WebAssembly has no signals: a trap ends the thread it happens on, and the
// page reports it as the runtime error the desktops give for the same fault
// (page.js). The page's test hooks raise a runtime error, or a trap, on the
// program thread at its next pause, where the program holds no lock.
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

volatile int Zero = 0;

// Runs on the program thread, from the queue its sleep serves.
[[gnu::noinline]] void RaiseQueuedError(int number) {
  SetFloatingPointEnvironment();
  RunError(static_cast<std::uint16_t>(number));
}

[[gnu::noinline]] void DivideByZero(int number) {
  const volatile int quotient = number / Zero;
  static_cast<void>(quotient);
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

// The page's other test hook: an integer division by zero on the program
// thread, which WebAssembly turns into a trap that ends the thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_divide_by_zero() {
  if (!runtime::haveProgramThread) return 0;
  emscripten_dispatch_to_thread_async(runtime::programThread.load(), EM_FUNC_SIG_VI,
                                      &runtime::DivideByZero, nullptr, 1);
  return 1;
}
