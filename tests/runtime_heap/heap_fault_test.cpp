// A fault while the allocator's lock is held: the error path allocates
// nothing, and whatever still waits for the lock, the process ends with the
// error's number and its report within the watchdog's time.
#include <gtest/gtest.h>

#include <cstdint>

#include "allocator_lock.hpp"
#include "runtime/runtime.hpp"

namespace {

using testing::ExitedWithCode;

int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});

[[gnu::noinline]] void WriteThroughNowhere() { *nowhere = 1; }

// Far beyond the watchdog's time: a process still there then is stuck.
constexpr int kHung = 30;

TEST(HeapFaultDeathTest, FaultInsideTheAllocatorEndsWith216AndItsReport) {
#if defined(_WIN32)
  GTEST_SKIP() << "the heap's lock is recursive: the faulting thread is not stopped by it";
#endif
  EXPECT_EXIT(
      {
        heap_test::EndAfter(kHung);
        runtime::InitModule();
        heap_test::FaultInsideTheAllocator();
      },
      ExitedWithCode(216), "Runtime error 216 at \\$\\w\\w\\w\\w\\w\\w\\w\\w");
}

TEST(HeapFaultDeathTest, FaultWhileAnotherThreadHoldsTheAllocatorEndsWith216AndItsReport) {
  EXPECT_EXIT(
      {
        heap_test::EndAfter(kHung);
        runtime::InitModule();
        heap_test::HoldTheAllocatorOnAnotherThread();
        WriteThroughNowhere();
      },
      ExitedWithCode(216), "Runtime error 216 at \\$\\w\\w\\w\\w\\w\\w\\w\\w");
}

}  // namespace
