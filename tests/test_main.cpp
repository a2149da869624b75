// Test entry: the tests run in the program's floating-point environment.
#include <gtest/gtest.h>

#include <cstdlib>

#include "runtime/runtime.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Death tests start the test program afresh, as threads call for; under
  // qemu-user it cannot be started again from inside, and the environment
  // asks for the style that only forks (GTEST_DEATH_TEST_STYLE=fast).
  if (std::getenv("GTEST_DEATH_TEST_STYLE") == nullptr)
    GTEST_FLAG_SET(death_test_style, "threadsafe");
  runtime::SetFloatingPointEnvironment();
  return RUN_ALL_TESTS();
}
