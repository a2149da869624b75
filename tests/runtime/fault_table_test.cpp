// Which runtime error each fault becomes, whether the floating-point unit is
// reset first, and which access violations are no error at all.
#include "fault_table.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fault_recovery.hpp"
#include "runtime/runtime.hpp"

namespace {

using namespace runtime;

struct Row {
  std::uint32_t code;
  std::uint16_t number;
  bool reset;
};

TEST(FaultTable, MapsEachFaultToItsRuntimeError) {
  const Row rows[] = {
      {kFloatDivideByZero, 200, true},      {kIntDivideByZero, 200, true},
      {kArrayBoundsExceeded, 201, false},   {kStackOverflow, 202, false},
      {kFloatOverflow, 205, true},          {kFloatUnderflow, 206, true},
      {kFloatDenormalOperand, 206, true},   {kFloatInvalidOperation, 207, true},
      {kFloatInexactResult, 207, true},     {kFloatStackCheck, 207, true},
      {kIntOverflow, 215, false},           {kAccessViolation, 216, true},
      {kIllegalInstruction, 216, true},     {kControlCExit, 217, true},
      {kPrivilegedInstruction, 218, false},
  };
  for (const Row& row : rows) {
    const FaultClass kind = ClassifyException(row.code, 0);
    EXPECT_EQ(kind.number, row.number) << std::hex << row.code;
    EXPECT_EQ(kind.resetFpu, row.reset) << std::hex << row.code;
  }
}

TEST(FaultTable, OtherSystemErrorsAre217AndTheRest255) {
  EXPECT_EQ(ClassifyException(0xC0000409, 0).number, 217);  // both severity bits
  EXPECT_TRUE(ClassifyException(0xC0000409, 0).resetFpu);
  EXPECT_EQ(ClassifyException(0x80000003, 0).number, 255);  // a warning: one bit
  EXPECT_EQ(ClassifyException(0x40000015, 0).number, 255);
  EXPECT_EQ(ClassifyException(0x20474343, 0).number, 255);
  EXPECT_TRUE(ClassifyException(0x20474343, 0).resetFpu);
}

TEST(FaultTable, MultipleTrapsAreTheFloatFaultTheFlagsName) {
  for (const std::uint32_t code : {kFloatMultipleTraps, kFloatMultipleFaults}) {
    EXPECT_EQ(ClassifyException(code, kFlagZeroDivide).number, 200);
    EXPECT_EQ(ClassifyException(code, kFlagOverflow).number, 205);
    EXPECT_EQ(ClassifyException(code, kFlagOverflow | kFlagPrecision).number, 205);
    EXPECT_EQ(ClassifyException(code, kFlagUnderflow).number, 206);
    EXPECT_EQ(ClassifyException(code, kFlagInvalid).number, 207);
    EXPECT_EQ(ClassifyException(code, kFlagInvalid | kFlagZeroDivide).number, 207);
    EXPECT_TRUE(ClassifyException(code, kFlagOverflow).resetFpu);
  }
}

TEST(Prefetch, IsRecognisedWithAndWithoutPrefixes) {
  const std::vector<std::vector<std::uint8_t>> prefetches = {
      {0x0F, 0x18, 0x00},        // prefetchnta [rax]
      {0x0F, 0x18, 0x4F, 0x40},  // prefetcht0 [rdi+0x40]
      {0x41, 0x0F, 0x18, 0x10},  // prefetcht1 [r8]
      {0x0F, 0x0D, 0x08},        // prefetchw [rax]
      {0x64, 0x0F, 0x18, 0x18},  // fs: prefetcht2
  };
  for (const auto& bytes : prefetches) {
    EXPECT_TRUE(IsPrefetchInstruction(bytes.data(), bytes.size())) << int(bytes[0]);
  }
  const std::vector<std::vector<std::uint8_t>> others = {
      {0x8B, 0x00},        // mov eax, [rax]
      {0x0F, 0x1F, 0x00},  // nop [rax]
      {0x0F, 0xAE, 0x38},  // clflush [rax]
      {0x0F},              // cut short
      {0x66, 0x66},
  };
  for (const auto& bytes : others) {
    EXPECT_FALSE(IsPrefetchInstruction(bytes.data(), bytes.size())) << int(bytes[0]);
  }
}

TEST(ExceptLevel, AtMostSixteenFaultsAreHandledAtOnce) {
  ASSERT_EQ(ExceptLevel.load(), 0);
  std::vector<int> levels;
  for (int i = 0; i < kMaxExceptLevel; ++i) levels.push_back(RecordFault({}));
  EXPECT_EQ(levels.front(), 0);
  EXPECT_EQ(levels.back(), 15);
  EXPECT_EQ(RecordFault({}), -1);
  EXPECT_EQ(ExceptLevel.load(), kMaxExceptLevel);
  for (const int level : levels) ReleaseFault(level);
  EXPECT_EQ(ExceptLevel.load(), 0);
}

TEST(ExceptLevel, AFaultEndingFirstLeavesTheOthersRecordsAlone) {
  // Three threads fault; the first to fault is the first to reach its error
  // routine, the second has not read its record yet when the third faults.
  FaultRecord first;
  first.number = 200;
  FaultRecord second;
  second.number = 216;
  FaultRecord third;
  third.number = 205;
  const int a = RecordFault(first);
  const int b = RecordFault(second);
  ReleaseFault(a);
  const int c = RecordFault(third);
  EXPECT_NE(c, b);
  EXPECT_EQ(TakeFault(b).number, 216);
  EXPECT_EQ(TakeFault(c).number, 205);
  EXPECT_EQ(ExceptLevel.load(), 0);
}

}  // namespace
