// Invalid operations and overflows end the program with the runtime's
// errors 207 and 205 (division by zero 200), the window closed first: by the
// x87 unit's traps, or raised by the software implementation itself where
// no trap exists. The same expectations hold for both.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "extended/extended.hpp"
#include "float_bits.hpp"
#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "runtime/test_support.hpp"

namespace {

using extended::Extended;
using extended::FromFloat;
using testing::ExitedWithCode;

volatile float floatSink;
volatile std::int64_t intSink;
volatile bool boolSink;
// Operands read from memory at run time: the compiler folds constant
// operations, and with them the x87 unit's exceptions.
volatile float two = 2.0f;
volatile float huge = 3e38f;
volatile std::uint64_t allOnes = ~std::uint64_t{0};

volatile const float kInfinity = FromBits(0x7F800000u);
volatile const float kQuietNaN = FromBits(0x7FC00000u);
volatile const float kSignallingNaN = FromBits(0x7FA00000u);

// The x87 unit reports an exception at its next waiting instruction, which
// may come late: the compiler computes some float results with SSE.
void NextOperation() {
#if defined(FRACTALS_EXTENDED_HARDWARE)
  asm volatile("fwait");
#endif
}

// The report names the code that called the failing operation, not the
// error path: neither RaiseFault nor the runtime's RaiseRunError. (The
// caller's own range cannot be told: the compiler moves its cold part away.)
void NameWhereTheFaultIs() {
  const auto addr = reinterpret_cast<std::uintptr_t>(runtime::ErrorAddr);
  auto inside = [addr](const void* function) {
    const auto start = reinterpret_cast<std::uintptr_t>(function);
    return addr >= start && addr < start + runtime_test::kFunctionReach;
  };
  const bool errorPath = inside(reinterpret_cast<const void*>(&extended::RaiseFault)) ||
                         inside(reinterpret_cast<const void*>(&runtime::RaiseRunError));
  std::fputs(addr != 0 && !errorPath ? "in the caller " : "in the error path ", stderr);
}

TEST(ExtendedFaultDeathTest, FloatOverflowIs205InTheCallersCode) {
  if (!extended::kSoftware)
    GTEST_SKIP() << "the x87 unit reports the store at its next instruction";
  EXPECT_EXIT(
      {
        runtime::InitModule();
        runtime::ExitProc = NameWhereTheFaultIs;
        floatSink = extended::ToFloat(FromFloat(huge) * FromFloat(two));
      },
      ExitedWithCode(205), "^in the caller \\[Error\\] Runtime error 205 at \\$\\w{8}");
}

TEST(ExtendedFaultDeathTest, FloatOverflowClosesTheWindowBeforeTheReport) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        // Installed first, so it runs after the graphics module's step.
        runtime::ExitProc = [] {
          std::fputs(graph::IsGraphMode ? "window open " : "window closed ", stderr);
        };
        graph::InitModule();
        INITGRAPHMODE(30010);
        if (!graph::IsGraphMode) std::_Exit(3);
        floatSink = extended::ToFloat(FromFloat(huge) + FromFloat(huge));
        NextOperation();
      },
      ExitedWithCode(205), "^window closed \\[Error\\] Runtime error 205 at");
}

TEST(ExtendedFaultDeathTest, Int64OutOfRangeIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        // 2^63 - 0.5 rounds to the even 2^63, one beyond the range.
        intSink = extended::RoundToInt64(extended::FromBits(0x403D, allOnes));
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, Int64OfNaNIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        intSink = extended::RoundToInt64(FromFloat(kQuietNaN));
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, InfinityMinusInfinityIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        floatSink = extended::ToFloat(FromFloat(kInfinity) - FromFloat(kInfinity));
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, InfinityTimesZeroIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        floatSink = extended::ToFloat(FromFloat(kInfinity) * FromFloat(-0.0f));
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, ComparingNaNIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        boolSink = FromFloat(kQuietNaN) < FromFloat(32.0f);
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, ArithmeticOnASignallingNaNIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        floatSink = extended::ToFloat(FromFloat(kSignallingNaN) * FromFloat(two));
        NextOperation();
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, SineOfInfinityIs207) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        floatSink = extended::ToFloat(extended::Sin(kInfinity));
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

TEST(ExtendedFaultDeathTest, DivisionByZeroIs200) {
  // No operation of the format divides; the error path still maps the flag.
  EXPECT_EXIT(
      {
        runtime::InitModule();
        extended::RaiseFault(extended::soft::kZeroDivide);
      },
      ExitedWithCode(200), "^\\[Error\\] Runtime error 200 at");
}

TEST(ExtendedFaultDeathTest, InvalidWinsOverOverflow) {
  EXPECT_EXIT(
      {
        runtime::InitModule();
        extended::RaiseFault(extended::soft::kOverflow | extended::soft::kInvalid);
      },
      ExitedWithCode(207), "^\\[Error\\] Runtime error 207 at");
}

// Quiet NaNs and infinities pass through without a fault, as on the x87
// unit with its traps on; only where they meet an invalid operation do they
// end the program.
TEST(ExtendedSpecialValues, QuietNaNAndInfinityPassWithoutFault) {
  EXPECT_EQ(Bits(extended::ToFloat(FromFloat(kQuietNaN) + FromFloat(1.0f))), 0x7FC00000u);
  EXPECT_EQ(Bits(extended::ToFloat(FromFloat(kInfinity) * FromFloat(-2.0f))), 0xFF800000u);
  EXPECT_EQ(Bits(extended::ToFloat(FromFloat(kInfinity) + FromFloat(kInfinity))), 0x7F800000u);
  EXPECT_EQ(Bits(extended::ToFloat(extended::Cos(kQuietNaN))), 0x7FC00000u);
}

}  // namespace
