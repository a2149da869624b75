// The Windows timer the pause sleeps on, and the look-up of the newer
// system calls it uses, which tests replace to play an older system.
#pragma once

namespace runtime::timer {

// A function exported by a system library, or null where this Windows has
// none of that name.
using SystemFunction = void (*)();
using Resolver = SystemFunction (*)(const char* library, const char* name);

// Where FineTimerResolution looks the newer calls up from now on; null:
// GetProcAddress in the loaded system libraries, as at start.
void SetResolver(Resolver resolver);

// What the last FineTimerResolution set up.
struct Setup {
  bool highResolutionTimer = false;  // pauses wait on a high-resolution waitable timer
  bool periodRaised = false;         // timeBeginPeriod(1) instead
  bool throttlingOptOut = false;     // the system keeps the resolution while the window is hidden
};
Setup CurrentSetup();

}  // namespace runtime::timer
