// Test entry: the tests run in the program's floating-point environment.
#include <gtest/gtest.h>

#include "runtime/runtime.hpp"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  runtime::SetFloatingPointEnvironment();
  return RUN_ALL_TESTS();
}
