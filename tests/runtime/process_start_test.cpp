// What start-up makes sure of whatever the process inherited: closed
// standard streams and a stack limit of a few kilobytes.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <thread>

#include "runtime/runtime.hpp"

namespace {

using testing::ExitedWithCode;

TEST(ProcessStartDeathTest, ClosedStandardStreamsAreNotTheNextFilesOpened) {
  EXPECT_EXIT(
      {
        close(STDIN_FILENO);
        close(STDERR_FILENO);
        runtime::InitModule();
        int ends[2];
        const bool apart = pipe(ends) == 0 && ends[0] > STDERR_FILENO && ends[1] > STDERR_FILENO;
        std::_Exit(apart ? 0 : 1);
      },
      ExitedWithCode(0), "");
}

// With `ulimit -s 16`, threads get 16 KB stacks by default.
TEST(ProcessStartDeathTest, ThreadsGetStacksTheWindowSystemCanRunOn) {
  EXPECT_EXIT(
      {
        pthread_attr_t attr;
        pthread_getattr_default_np(&attr);
        pthread_attr_setstacksize(&attr, 16 * 1024);
        pthread_setattr_default_np(&attr);
        pthread_attr_destroy(&attr);
        runtime::InitModule();
        std::size_t size = 0;
        std::thread([&size] {
          pthread_attr_t own;
          pthread_getattr_np(pthread_self(), &own);
          pthread_attr_getstacksize(&own, &size);
          pthread_attr_destroy(&own);
        }).join();
        std::_Exit(size >= (std::size_t{1} << 20) ? 0 : 1);
      },
      ExitedWithCode(0), "");
}

}  // namespace

#endif
