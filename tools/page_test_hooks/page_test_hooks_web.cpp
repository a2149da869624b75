// The page's test hooks, linked only into the program of the test page
// (index-test.html): they act on the program thread at its next pause
// (Delay, or ReadKey's wait), where the program holds no lock, and raise a
// runtime error, a trap of each kind, or hold it there between two frames.
#include <emscripten/emscripten.h>
#include <emscripten/threading.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "os.hpp"
#include "platform/shared/window_model.hpp"
#include "program_thread_web.hpp"
#include "runtime/runtime.hpp"
#include "web_backend.hpp"

namespace runtime {

namespace {

volatile int Zero = 0;

// The program thread held in its pause for a test: 1 asked, 2 held, 0 free.
std::atomic<std::int32_t> holdState{0};

// Runs on the program thread, from the queue its sleep serves.
[[gnu::noinline]] void RaiseQueuedError(int number) {
  SetFloatingPointEnvironment();
  RunError(static_cast<std::uint16_t>(number));
}

volatile int MinusOne = -1;
volatile int Smallest = -2147483647 - 1;
volatile double NotANumber = __builtin_nan("");
volatile unsigned FarAway = 0xFFFFFFF0u;
using Procedure = void (*)();
volatile Procedure NoProcedure = nullptr;

[[gnu::noinline]] int Deeper(int depth) { return depth == 0 ? 0 : Deeper(depth + 1) + Zero; }

// Each kind of trap WebAssembly has, on the program thread, as the page's
// test of how each engine words them: 0 integer division by zero, 1 integer
// overflow, 2 a float beyond the integers, 3 unreachable, 4 memory out of
// bounds, 5 a call through a null function, 6 the call stack used up.
[[gnu::noinline]] void Trap(int kind) {
  volatile int result = 0;
  switch (kind) {
    case 0:
      result = Smallest / Zero;
      break;
    case 1:
      result = Smallest / MinusOne;
      break;
    case 2:
      result = __builtin_wasm_trunc_s_i32_f64(NotANumber);
      break;
    case 3:
      __builtin_trap();
    case 4:
      result = *reinterpret_cast<volatile int*>(static_cast<std::uintptr_t>(FarAway));
      break;
    case 5:
      NoProcedure();
      break;
    default:
      result = Deeper(1);
      break;
  }
  static_cast<void>(result);
}

// Runs on the program thread in its pause, between two frames: stays there
// until the page lets it go.
void HoldInPause(int) {
  holdState = 2;
  while (holdState.load() == 2) {
    emscripten_futex_wait(&holdState, 2, 1000);
  }
}

}  // namespace

}  // namespace runtime

// The page's test hook: runtime error number on the program thread, as a
// fault there would raise it. Main browser thread; the program thread takes
// it during its next Delay or ReadKey pause. 0 when there is no program
// thread yet.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_raise_run_error(int number) {
  pthread_t thread;
  if (!runtime::ProgramThread(thread) || number <= 0 || number > 0xFFFF) return 0;
  emscripten_dispatch_to_thread_async(thread, EM_FUNC_SIG_VI, &runtime::RaiseQueuedError, nullptr,
                                      number);
  return 1;
}

// The page's other test hook: a trap of the given kind (runtime::Trap) on
// the program thread, which ends the thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_force_trap(int kind) {
  pthread_t thread;
  if (!runtime::ProgramThread(thread)) return 0;
  emscripten_dispatch_to_thread_async(thread, EM_FUNC_SIG_VI, &runtime::Trap, nullptr, kind);
  return 1;
}

// The page's hooks for reading a whole frame: the program thread stops at its
// next pause, after a frame's drawing and before the next, until released.
// Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_hold_program() {
  std::int32_t free = 0;
  pthread_t thread;
  if (!runtime::ProgramThread(thread) || !runtime::holdState.compare_exchange_strong(free, 1)) {
    return 0;
  }
  emscripten_dispatch_to_thread_async(thread, EM_FUNC_SIG_VI, &runtime::HoldInPause, nullptr, 0);
  return 1;
}

extern "C" EMSCRIPTEN_KEEPALIVE int fractals_program_held() {
  return runtime::holdState.load() == 2 ? 1 : 0;
}

extern "C" EMSCRIPTEN_KEEPALIVE void fractals_release_program() {
  runtime::holdState = 0;
  emscripten_futex_wake(&runtime::holdState, 1);
}

// The window thread waits for messages with nothing
// queued, so it has shown everything drawn before the last flush was posted.
// Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_web_window_idle() {
  using namespace platform;
  return web::PageWindow.load() != 0 && shared::WindowThreadsIdle() ? 1 : 0;
}
