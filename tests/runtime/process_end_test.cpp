// The end of the process, watched from outside: the exit chain, the exit
// code, the report of a runtime error and the boxes shown. The memory window
// system copies every box to standard error as "[caption] text".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "runtime/runtime.hpp"
#include "test_support.hpp"

namespace {

using testing::ExitedWithCode;

runtime::ExitStep savedByFirst = nullptr;
runtime::ExitStep savedBySecond = nullptr;
runtime::ExitStep savedByThird = nullptr;

void First() {
  runtime::ExitProc = savedByFirst;
  std::fputs("first ", stderr);
}
void Second() {
  runtime::ExitProc = savedBySecond;
  std::fputs("second ", stderr);
}
void Third() {
  runtime::ExitProc = savedByThird;
  std::fputs("third ", stderr);
}
// Does not hand the chain back.
void Selfish() { std::fputs("selfish ", stderr); }

void InstallThreeSteps() {
  savedByFirst = runtime::ExitProc;
  runtime::ExitProc = First;
  savedBySecond = runtime::ExitProc;
  runtime::ExitProc = Second;
  savedByThird = runtime::ExitProc;
  runtime::ExitProc = Third;
}

TEST(ProcessEndDeathTest, ExitChainRunsLastAddedFirstAndEndsWithTheCode) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        std::fputs("steps: ", stderr);
        runtime::Halt(42);
      },
      ExitedWithCode(42), "^steps: third second first $");
}

TEST(ProcessEndDeathTest, AStepThatKeepsTheChainEndsIt) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        savedByFirst = runtime::ExitProc;
        runtime::ExitProc = First;
        runtime::ExitProc = Selfish;  // First is lost with it
        runtime::Halt(3);
      },
      ExitedWithCode(3), "^selfish $");
}

TEST(ProcessEndDeathTest, NormalEndShowsNoBoxAndGivesZero) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        runtime::Halt(0);
      },
      ExitedWithCode(0), "^third second first $");
}

TEST(ProcessEndDeathTest, TextWithoutThreeLineEndsIsShownAtTheEnd) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        runtime::WriteErrorOutput("Error: held back\r\n");
        runtime::Halt(1);
      },
      ExitedWithCode(1), "^\\[Error\\] Error: held back");
}

TEST(ProcessEndDeathTest, ExitChainRunsOnWhicheverThreadEndsTheProcess) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        std::thread([] { runtime::Halt(9); }).join();
      },
      ExitedWithCode(9), "^third second first $");
}

[[gnu::noinline]] void FailCheck(std::uint16_t n) { runtime::RunError(n); }

TEST(ProcessEndDeathTest, RunErrorRunsTheChainThenShowsTheReport) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        FailCheck(204);
      },
      ExitedWithCode(204),
      "^third second first \\[Error\\] Runtime error 204 at "
      "\\$\\w\\w\\w\\w\\w\\w\\w\\w\r\n  \\$\\w\\w\\w\\w\\w\\w\\w\\w\r\n  \\$");
}

// Where RunError was called: its return address lies in the caller.
void ReportErrorAddr() {
  const auto addr = reinterpret_cast<std::uintptr_t>(runtime::ErrorAddr);
  const auto caller = reinterpret_cast<std::uintptr_t>(&FailCheck);
  std::fputs(addr > caller && addr < caller + 64 ? "in caller " : "elsewhere ", stderr);
}

TEST(ProcessEndDeathTest, RunErrorIsRaisedAtTheCallersReturnAddress) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        runtime::ExitProc = ReportErrorAddr;
        FailCheck(201);
      },
      ExitedWithCode(201), "^in caller \\[Error\\] Runtime error 201 at");
}

void StuckStep() {
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST(ProcessEndDeathTest, AStuckExitChainStillEndsWithTheReport) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        runtime::ExitProc = StuckStep;
        FailCheck(210);
      },
      ExitedWithCode(210), "^\\[Error\\] Runtime error 210 at");
}

TEST(ProcessEndDeathTest, AHaltInsideTheChainOfAnErrorKeepsItsCode) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        savedBySecond = [] {
          runtime::ExitProc = First;
          std::fputs("halting ", stderr);
          runtime::Halt(3);
        };
        FailCheck(204);
      },
      ExitedWithCode(204), "^third second halting first \\[Error\\] Runtime error 204 at");
}

TEST(ProcessEndDeathTest, AHaltInsideTheChainOfANormalEndSetsTheCode) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        savedBySecond = [] {
          runtime::ExitProc = First;
          runtime::Halt(3);
        };
        runtime::Halt(0);
      },
      ExitedWithCode(3), "^third second first $");
}

void TellThePendingError() {
  std::fputs(runtime::ErrorCode == 204 ? "still 204 " : "replaced ", stderr);
}

TEST(ProcessEndDeathTest, AnErrorInsideTheChainOfAnErrorDoesNotReplaceItsReport) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        savedBySecond = [] {
          runtime::ExitProc = TellThePendingError;
          FailCheck(201);
        };
        FailCheck(204);
      },
      ExitedWithCode(204), "^third second still 204 \\[Error\\] Runtime error 204 at");
}

// What std::thread throws when no thread can be started.
[[gnu::noinline]] void ThrowAsAThreadThatCannotStart() {
  throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
}

TEST(ProcessEndDeathTest, AnUncaughtExceptionIsRuntimeError217) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        InstallThreeSteps();
        // Out of the death test's own catch.
        []() noexcept { ThrowAsAThreadThatCannotStart(); }();
      },
      ExitedWithCode(217), "^third second first \\[Error\\] Runtime error 217 at");
}

TEST(ProcessEndDeathTest, AnExceptionUncaughtOnAnotherThreadIsRuntimeError217) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        std::thread([] { throw std::runtime_error("nobody catches this"); }).join();
      },
      ExitedWithCode(217), "^\\[Error\\] Runtime error 217 at");
}

TEST(ProcessEndDeathTest, HeapFailureIsRuntimeError203) {
  if (runtime_test::kUnderAddressSanitizer || runtime_test::kUnderThreadSanitizer) {
    GTEST_SKIP() << "the sanitizer's allocator ends the process itself on a failed allocation";
  }
  EXPECT_EXIT(
      {
        runtime::InitModule();
        volatile std::size_t huge = std::size_t{1} << 60;
        char* memory = new char[huge];
        std::printf("%p", static_cast<void*>(memory));
      },
      ExitedWithCode(203), "^\\[Error\\] Runtime error 203 at");
}

}  // namespace
