// Sleeps on Windows.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

// The system timer ticks every 15.6 ms unless a program asks for more: a
// Sleep(10) would then last a whole tick.
constexpr UINT kTimerPeriodMs = 1;
bool PeriodRaised = false;

}  // namespace

void FineTimerResolution() {
  if (!PeriodRaised) PeriodRaised = timeBeginPeriod(kTimerPeriodMs) == TIMERR_NOERROR;
}

void RestoreTimerResolution() {
  if (PeriodRaised) timeEndPeriod(kTimerPeriodMs);
  PeriodRaised = false;
}

void Sleep(std::uint32_t ms) { ::Sleep(ms); }

}  // namespace runtime
