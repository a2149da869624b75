// The build without shared memory has one real thread, the page's. The
// program's threads become fibers on it that take turns: a thread runs until
// it waits (a lock another fiber holds, a condition, a semaphore, a sleep, a
// join), then the next fiber that may run goes on. When every fiber waits,
// the page's thread returns to the browser until the nearest deadline, so
// that the page's events (keys, the box's OK, repaints) come in meanwhile.
//
// The threads library's calls are taken over at link time (wasm-ld --wrap,
// see platform/CMakeLists.txt): the modules keep their std::thread,
// std::mutex and std::condition_variable, and the C library's own stubs,
// which do nothing, are never reached.
#include <emscripten/emscripten.h>
#include <emscripten/fiber.h>
#include <emscripten/threading.h>
#include <errno.h>
#include <pthread.h>
#include <semaphore.h>
#include <time.h>

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

namespace {

struct QueuedCall {
  void (*function)(int) = nullptr;
  int argument = 0;
  QueuedCall* next = nullptr;
};

struct Fiber {
  emscripten_fiber_t context{};
  void* (*start)(void*) = nullptr;
  void* argument = nullptr;
  void* result = nullptr;
  const volatile void* waitsOn = nullptr;  // what it waits for; nullptr: runnable
  double deadline = INFINITY;              // emscripten_get_now() milliseconds
  bool timedOut = false;
  bool finished = false;
  bool detached = false;
  QueuedCall* calls = nullptr;  // run on this fiber when its sleep ends
  char* stack = nullptr;
  char* asyncStack = nullptr;
  Fiber* next = nullptr;  // the ring of fibers, Main first
};

constexpr std::size_t kStackBytes = 1024 * 1024;
constexpr std::size_t kAsyncStackBytes = 256 * 1024;
// Every fiber waits without a deadline: the browser still gets its turn
// this often, and events that arrived meanwhile are taken.
constexpr double kLongestIdle = 10;

Fiber Main;
Fiber* Current = nullptr;
char MainAsyncStack[kAsyncStackBytes];
// A token for a fiber that waits for nothing but its deadline.
const char Sleeping = 0;

Fiber* Self() {
  if (Current == nullptr) {
    emscripten_fiber_init_from_current_context(&Main.context, MainAsyncStack,
                                               sizeof MainAsyncStack);
    Main.next = &Main;
    Current = &Main;
  }
  return Current;
}

void SwapTo(Fiber* next) {
  Fiber* previous = Current;
  Current = next;
  emscripten_fiber_swap(&previous->context, &next->context);
}

bool Runnable(const Fiber* fiber) { return !fiber->finished && fiber->waitsOn == nullptr; }

// Ends the waits whose deadline passed; the nearest deadline still ahead.
double ExpireDeadlines() {
  const double now = emscripten_get_now();
  double nearest = INFINITY;
  Fiber* fiber = &Main;
  do {
    if (fiber->waitsOn != nullptr) {
      if (fiber->deadline <= now) {
        fiber->waitsOn = nullptr;
        fiber->timedOut = true;
      } else if (fiber->deadline < nearest) {
        nearest = fiber->deadline;
      }
    }
    fiber = fiber->next;
  } while (fiber != &Main);
  return nearest - now;
}

// Frees the fibers nobody joins once they have finished; never the running one.
void ReapDetached() {
  for (Fiber* before = &Main; before->next != &Main;) {
    Fiber* fiber = before->next;
    if (fiber->finished && fiber->detached && fiber != Current) {
      before->next = fiber->next;
      std::free(fiber->stack);
      std::free(fiber->asyncStack);
      delete fiber;
    } else {
      before = fiber;
    }
  }
}

// The running fiber gave up its turn (it waits, or it yields): runs the
// others until it may go on again. Only Main idles in the browser, so that
// every return to the browser unwinds from the program's own entry.
void Reschedule() {
  Fiber* self = Self();
  for (;;) {
    const double idle = ExpireDeadlines();
    Fiber* pick = nullptr;
    for (Fiber* fiber = self->next;; fiber = fiber->next) {
      if (Runnable(fiber)) {
        pick = fiber;
        break;
      }
      if (fiber == self) break;
    }
    if (pick == self) return;
    if (pick != nullptr) {
      SwapTo(pick);
      ReapDetached();
      if (Runnable(self)) return;
      continue;
    }
    if (self != &Main) {
      SwapTo(&Main);
      if (Runnable(self)) return;
      continue;
    }
    emscripten_sleep(static_cast<unsigned>(std::ceil(std::fmin(idle, kLongestIdle))));
  }
}

// Waits on token until Wake(token) or the deadline; false on the deadline.
bool Wait(const volatile void* token, double deadline) {
  Fiber* self = Self();
  self->waitsOn = token;
  self->deadline = deadline;
  self->timedOut = false;
  Reschedule();
  return !self->timedOut;
}

void Wake(const volatile void* token, int count) {
  if (Current == nullptr) return;
  Fiber* fiber = &Main;
  do {
    if (count > 0 && fiber->waitsOn == token) {
      fiber->waitsOn = nullptr;
      --count;
    }
    fiber = fiber->next;
  } while (fiber != &Main);
}

// Calls handed to this fiber from the page (emscripten_dispatch_to_thread_async).
void RunQueuedCalls() {
  Fiber* self = Self();
  while (self->calls != nullptr) {
    QueuedCall* call = self->calls;
    self->calls = call->next;
    const auto function = call->function;
    const int argument = call->argument;
    delete call;
    function(argument);
  }
}

double DeadlineOf(const timespec* absolute, clockid_t clock) {
  if (absolute == nullptr) return INFINITY;
  timespec now{};
  clock_gettime(clock, &now);
  const double left = static_cast<double>(absolute->tv_sec - now.tv_sec) * 1e3 +
                      static_cast<double>(absolute->tv_nsec - now.tv_nsec) / 1e6;
  return emscripten_get_now() + left;
}

void FiberEntry(void* argument) {
  auto* fiber = static_cast<Fiber*>(argument);
  fiber->result = fiber->start(fiber->argument);
  fiber->finished = true;
  Wake(fiber, 1 << 30);
  for (;;) Reschedule();
}

Fiber* FiberOf(pthread_t thread) { return reinterpret_cast<Fiber*>(thread); }

// A mutex's owner lives in its first word: the fiber, or 0.
Fiber*& OwnerOf(pthread_mutex_t* mutex) { return *reinterpret_cast<Fiber**>(mutex); }
// A recursive mutex counts its locks in its second word.
int& DepthOf(pthread_mutex_t* mutex) { return reinterpret_cast<int*>(mutex)[1]; }

// Takes mutex for the running fiber when it is free or already its own.
bool TryTake(pthread_mutex_t* mutex) {
  Fiber* self = Self();
  if (OwnerOf(mutex) == self) {
    ++DepthOf(mutex);
    return true;
  }
  if (OwnerOf(mutex) != nullptr) return false;
  OwnerOf(mutex) = self;
  DepthOf(mutex) = 1;
  return true;
}

}  // namespace

extern "C" {

int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attributes,
                          void* (*start)(void*), void* argument) {
  Self();
  auto* fiber = new Fiber;
  fiber->start = start;
  fiber->argument = argument;
  fiber->stack = static_cast<char*>(std::malloc(kStackBytes));
  fiber->asyncStack = static_cast<char*>(std::malloc(kAsyncStackBytes));
  if (fiber->stack == nullptr || fiber->asyncStack == nullptr) {
    std::free(fiber->stack);
    std::free(fiber->asyncStack);
    delete fiber;
    return EAGAIN;
  }
  int state = PTHREAD_CREATE_JOINABLE;
  if (attributes != nullptr) pthread_attr_getdetachstate(attributes, &state);
  fiber->detached = state == PTHREAD_CREATE_DETACHED;
  emscripten_fiber_init(&fiber->context, FiberEntry, fiber, fiber->stack, kStackBytes,
                        fiber->asyncStack, kAsyncStackBytes);
  fiber->next = Main.next;
  Main.next = fiber;
  *thread = reinterpret_cast<pthread_t>(fiber);
  return 0;
}

int __wrap_pthread_join(pthread_t thread, void** result) {
  Fiber* fiber = FiberOf(thread);
  if (fiber == Self()) return EDEADLK;
  while (!fiber->finished) Wait(fiber, INFINITY);
  if (result != nullptr) *result = fiber->result;
  fiber->detached = true;
  ReapDetached();
  return 0;
}

int __wrap_pthread_detach(pthread_t thread) {
  FiberOf(thread)->detached = true;
  return 0;
}

pthread_t __wrap_pthread_self() { return reinterpret_cast<pthread_t>(Self()); }

int __wrap_pthread_mutex_init(pthread_mutex_t* mutex, const pthread_mutexattr_t*) {
  OwnerOf(mutex) = nullptr;
  DepthOf(mutex) = 0;
  return 0;
}

int __wrap_pthread_mutex_lock(pthread_mutex_t* mutex) {
  while (!TryTake(mutex)) Wait(mutex, INFINITY);
  return 0;
}

int __wrap_pthread_mutex_trylock(pthread_mutex_t* mutex) { return TryTake(mutex) ? 0 : EBUSY; }

int __wrap_pthread_mutex_unlock(pthread_mutex_t* mutex) {
  if (OwnerOf(mutex) != Self()) return EPERM;
  if (--DepthOf(mutex) > 0) return 0;
  OwnerOf(mutex) = nullptr;
  Wake(mutex, 1);
  return 0;
}

int __wrap_pthread_cond_timedwait(pthread_cond_t* condition, pthread_mutex_t* mutex,
                                  const timespec* until) {
  Fiber* self = Self();
  const int depth = DepthOf(mutex);
  OwnerOf(mutex) = nullptr;
  Wake(mutex, 1);
  const bool woken = Wait(condition, DeadlineOf(until, CLOCK_REALTIME));
  while (OwnerOf(mutex) != nullptr) Wait(mutex, INFINITY);
  OwnerOf(mutex) = self;
  DepthOf(mutex) = depth;
  return woken ? 0 : ETIMEDOUT;
}

int __wrap_pthread_cond_wait(pthread_cond_t* condition, pthread_mutex_t* mutex) {
  return __wrap_pthread_cond_timedwait(condition, mutex, nullptr);
}

int __wrap_pthread_cond_signal(pthread_cond_t* condition) {
  Wake(condition, 1);
  return 0;
}

int __wrap_pthread_cond_broadcast(pthread_cond_t* condition) {
  Wake(condition, 1 << 30);
  return 0;
}

// A semaphore's count is its first word, as sem_init leaves it.
int __wrap_sem_post(sem_t* semaphore) {
  auto* count = reinterpret_cast<int*>(semaphore);
  ++*count;
  Wake(semaphore, 1);
  return 0;
}

int __wrap_sem_timedwait(sem_t* semaphore, const timespec* until) {
  auto* count = reinterpret_cast<int*>(semaphore);
  const double deadline = DeadlineOf(until, CLOCK_REALTIME);
  while (*count <= 0) {
    if (!Wait(semaphore, deadline)) {
      errno = ETIMEDOUT;
      return -1;
    }
  }
  --*count;
  return 0;
}

int __wrap_sem_wait(sem_t* semaphore) { return __wrap_sem_timedwait(semaphore, nullptr); }

int __wrap_sem_trywait(sem_t* semaphore) {
  auto* count = reinterpret_cast<int*>(semaphore);
  if (*count <= 0) {
    errno = EAGAIN;
    return -1;
  }
  --*count;
  return 0;
}

int __wrap_nanosleep(const timespec* length, timespec* left) {
  const double milliseconds =
      static_cast<double>(length->tv_sec) * 1e3 + static_cast<double>(length->tv_nsec) / 1e6;
  Wait(&Sleeping, emscripten_get_now() + milliseconds);
  if (left != nullptr) *left = {};
  RunQueuedCalls();
  return 0;
}

int __wrap_sched_yield() {
  Wait(&Sleeping, emscripten_get_now());
  return 0;
}

int __wrap_emscripten_futex_wait(volatile void* address, std::uint32_t value, double milliseconds) {
  if (*static_cast<volatile std::uint32_t*>(address) != value) return -EWOULDBLOCK;
  const bool woken = Wait(address, emscripten_get_now() + milliseconds);
  RunQueuedCalls();
  return woken ? 0 : -ETIMEDOUT;
}

int __wrap_emscripten_futex_wake(volatile void* address, int count) {
  Wake(address, count);
  return 0;
}

// The page hands a call to a thread; it runs there when that thread's sleep
// or futex wait ends, as a worker takes its queued calls.
int emscripten_dispatch_to_thread_async_(pthread_t thread, EM_FUNC_SIGNATURE signature,
                                         void* function, void* satellite, ...) {
  if (signature != EM_FUNC_SIG_VI) return 0;
  va_list arguments;
  va_start(arguments, satellite);
  const int argument = va_arg(arguments, int);
  va_end(arguments);
  Fiber* fiber = FiberOf(thread);
  auto* call = new QueuedCall{reinterpret_cast<void (*)(int)>(function), argument, nullptr};
  QueuedCall** last = &fiber->calls;
  while (*last != nullptr) last = &(*last)->next;
  *last = call;
  return 1;
}

}  // extern "C"
