// The pause's timer on Windows: the newer calls are made where the system
// has them, and the program still pauses where it has not.
#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>

#include "os.hpp"
#include "runtime/runtime.hpp"
#include "timer_windows.hpp"

namespace {

using runtime::timer::SystemFunction;

// What the system the test plays has, and what was asked of it.
struct Played {
  bool hasTimer = false;
  bool timerFails = false;
  bool hasSetInformation = false;
  DWORD timerFlags = 0;
  int informationClass = -1;
  ULONG state[3] = {};
} played;

HANDLE WINAPI FakeCreateTimer(LPSECURITY_ATTRIBUTES, LPCWSTR, DWORD flags, DWORD) {
  played.timerFlags = flags;
  // A plain waitable timer, which every Windows has.
  return played.timerFails ? nullptr : ::CreateWaitableTimerW(nullptr, FALSE, nullptr);
}

BOOL WINAPI FakeSetInformation(HANDLE, int informationClass, LPVOID information, DWORD size) {
  played.informationClass = informationClass;
  if (size == sizeof played.state) std::memcpy(played.state, information, size);
  return TRUE;
}

SystemFunction FakeResolver(const char*, const char* name) {
  if (played.hasTimer && std::strcmp(name, "CreateWaitableTimerExW") == 0) {
    return reinterpret_cast<SystemFunction>(&FakeCreateTimer);
  }
  if (played.hasSetInformation && std::strcmp(name, "SetProcessInformation") == 0) {
    return reinterpret_cast<SystemFunction>(&FakeSetInformation);
  }
  return nullptr;
}

class TimerResolutionTest : public ::testing::Test {
 protected:
  void TearDown() override {
    runtime::RestoreTimerResolution();
    runtime::timer::SetResolver(nullptr);
  }
};

TEST_F(TimerResolutionTest, TheNewerCallsWhereTheSystemHasThemTheTickElsewhere) {
  struct Row {
    const char* what;
    Played system;
    bool highResolution;
    bool periodRaised;
    bool optOut;
  } const rows[] = {
      {"Windows 11", {true, false, true}, true, false, true},
      {"before 1803: no high-resolution timer", {true, true, true}, false, true, true},
      {"before 1709: none of them", {false, false, false}, false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    played = row.system;
    runtime::timer::SetResolver(&FakeResolver);
    runtime::FineTimerResolution();
    const runtime::timer::Setup setup = runtime::timer::CurrentSetup();
    EXPECT_EQ(setup.highResolutionTimer, row.highResolution);
    EXPECT_EQ(setup.periodRaised, row.periodRaised);
    EXPECT_EQ(setup.throttlingOptOut, row.optOut);
    if (row.system.hasTimer) {
      EXPECT_EQ(played.timerFlags, 0x2u);
    }
    if (row.system.hasSetInformation) {
      // ProcessPowerThrottling; version 1, the timer resolution taken in
      // hand and not throttled.
      EXPECT_EQ(played.informationClass, 4);
      EXPECT_EQ(played.state[0], 1u);
      EXPECT_EQ(played.state[1], 0x4u);
      EXPECT_EQ(played.state[2], 0u);
    }
    // The pause still ends, on whatever timer there is.
    runtime::Sleep(2);
    runtime::RestoreTimerResolution();
  }
}

TEST_F(TimerResolutionTest, TheSystemsOwnCallsGiveAFinerTimerOneWayOrTheOther) {
  runtime::FineTimerResolution();
  const runtime::timer::Setup setup = runtime::timer::CurrentSetup();
  EXPECT_TRUE(setup.highResolutionTimer || setup.periodRaised);
  runtime::Sleep(2);
}

}  // namespace
