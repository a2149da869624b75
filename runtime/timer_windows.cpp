// Sleeps on Windows: the frame loop paces itself by a 10 ms pause, which
// the default 15.6 ms tick would stretch.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <atomic>

#include "os.hpp"
#include "runtime/runtime.hpp"
#include "timer_windows.hpp"

namespace runtime {

namespace timer {

namespace {

// Windows 10 1803 and later: a waitable timer that fires within a fraction
// of a millisecond of its time, with no process-wide tick raised.
constexpr DWORD kHighResolutionTimer = 0x00000002;  // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
// Windows 11 lets a process whose window is hidden or covered lose its
// raised tick unless it asks to keep it.
constexpr int kPowerThrottling = 4;            // ProcessPowerThrottling
constexpr ULONG kPowerThrottlingVersion = 1;   // ..._CURRENT_VERSION
constexpr ULONG kIgnoreTimerResolution = 0x4;  // ..._IGNORE_TIMER_RESOLUTION
struct PowerThrottlingState {
  ULONG version;
  ULONG controlMask;
  ULONG stateMask;
};

using CreateWaitableTimerExWFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD, DWORD);
using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

SystemFunction LoadedFunction(const char* library, const char* name) {
  HMODULE module = ::GetModuleHandleA(library);
  if (module == nullptr) return nullptr;
  // Through the one function type the compiler lets any other cast to.
  return reinterpret_cast<SystemFunction>(::GetProcAddress(module, name));
}

Resolver TheResolver = &LoadedFunction;
Setup TheSetup;
// Found by FineTimerResolution; each sleeping thread makes its own timer
// with it. Read by any thread.
std::atomic<CreateWaitableTimerExWFn> CreateTimer{nullptr};
// The system timer ticks every 15.6 ms unless a program asks for more.
constexpr UINT kTimerPeriodMs = 1;

template <typename Fn>
Fn Lookup(const char* name) {
  return reinterpret_cast<Fn>(TheResolver("kernel32.dll", name));
}

HANDLE MakeTimer() {
  const CreateWaitableTimerExWFn create = CreateTimer.load();
  return create != nullptr ? create(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS)
                           : nullptr;
}

// The calling thread's timer, made on its first pause; null where there
// is none to be had.
struct ThreadTimer {
  HANDLE handle = nullptr;
  bool tried = false;
  ThreadTimer() = default;
  ThreadTimer(const ThreadTimer&) = delete;
  ThreadTimer& operator=(const ThreadTimer&) = delete;
  ~ThreadTimer() {
    if (handle != nullptr) ::CloseHandle(handle);
  }
};
thread_local ThreadTimer OwnTimer;

HANDLE TimerOfThisThread() {
  if (CreateTimer.load() == nullptr) return nullptr;
  if (!OwnTimer.tried) {
    OwnTimer.tried = true;
    OwnTimer.handle = MakeTimer();
  }
  return OwnTimer.handle;
}

}  // namespace

void SetResolver(Resolver resolver) {
  TheResolver = resolver != nullptr ? resolver : &LoadedFunction;
}

Setup CurrentSetup() { return TheSetup; }

}  // namespace timer

using namespace timer;

void FineTimerResolution() {
  RestoreTimerResolution();
  CreateTimer = Lookup<CreateWaitableTimerExWFn>("CreateWaitableTimerExW");
  // Made here for the program thread, whose pauses pace the frames.
  if (CreateTimer.load() != nullptr) {
    if (OwnTimer.handle != nullptr) ::CloseHandle(OwnTimer.handle);
    OwnTimer.handle = MakeTimer();
    OwnTimer.tried = true;
    if (OwnTimer.handle == nullptr) CreateTimer = nullptr;
  }
  TheSetup.highResolutionTimer = CreateTimer.load() != nullptr;
  if (!TheSetup.highResolutionTimer) {
    TheSetup.periodRaised = timeBeginPeriod(kTimerPeriodMs) == TIMERR_NOERROR;
  }
  if (const auto setInformation = Lookup<SetProcessInformationFn>("SetProcessInformation")) {
    // Control of the timer resolution taken, its throttling state off.
    PowerThrottlingState state{kPowerThrottlingVersion, kIgnoreTimerResolution, 0};
    TheSetup.throttlingOptOut =
        setInformation(::GetCurrentProcess(), kPowerThrottling, &state, sizeof state) != 0;
  }
}

void RestoreTimerResolution() {
  if (TheSetup.periodRaised) timeEndPeriod(kTimerPeriodMs);
  CreateTimer = nullptr;
  TheSetup = {};
}

void Sleep(std::uint32_t ms) {
  if (HANDLE timer = ms != 0 ? TimerOfThisThread() : nullptr; timer != nullptr) {
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(ms) * 10000;  // relative, in 100 ns
    if (::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) != 0 &&
        ::WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0) {
      return;
    }
  }
  ::Sleep(ms);
}

}  // namespace runtime
