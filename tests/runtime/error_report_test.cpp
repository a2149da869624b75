// The report of a runtime error: its lines, the address format and the walk
// over the callers' saved frame pointers with its stop rules.
#include "error_report.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/memory/memory_control.hpp"
#include "runtime/runtime.hpp"
#include "test_support.hpp"

namespace {

using runtime::StackBounds;

const void* Code(std::uintptr_t offset) {
  return reinterpret_cast<const void*>(runtime::CodeBase() + offset);
}

// A made-up stack of frames: frame i is slots 2i (the next frame) and 2i + 1
// (the return address), chained upward.
struct FakeStack {
  std::array<std::uintptr_t, 2 * 300 + 2> slots{};

  std::uintptr_t FrameAddress(int i) const {
    return reinterpret_cast<std::uintptr_t>(&slots[2 * static_cast<std::size_t>(i)]);
  }
  const void* Frame(int i) const { return reinterpret_cast<const void*>(FrameAddress(i)); }
  StackBounds Bounds() const {
    const auto low = reinterpret_cast<std::uintptr_t>(slots.data());
    return {low, low + sizeof slots};
  }
  // frames chained frames, frame i returning to offset 0x1000 + i.
  void Chain(int frames) {
    for (int i = 0; i < frames; ++i) {
      slots[2 * i] = i + 1 < frames ? FrameAddress(i + 1) : 0;
      slots[2 * i + 1] = runtime::CodeBase() + 0x1000 + i;
    }
  }
};

std::string Formatted(const void* addr) {
  char text[10];
  runtime::FormatCodeAddress(addr, text);
  return text;
}

TEST(CodeAddress, IsEightUpperCaseHexDigitsFromTheLoadAddress) {
  EXPECT_EQ(Formatted(Code(0)), "$00000000");
  EXPECT_EQ(Formatted(Code(0x4AF0)), "$00004AF0");
  EXPECT_EQ(Formatted(Code(0xDEADBEEF)), "$DEADBEEF");
  EXPECT_EQ(Formatted(runtime::UnknownCodeAddress), "$00000000");
}

TEST(CallerWalk, FollowsTheChainToItsNullFrame) {
  FakeStack stack;
  stack.Chain(4);
  const void* callers[16];
  ASSERT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), 16, callers), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(callers[i], Code(0x1000 + i));
}

TEST(CallerWalk, StopsAtANullReturnAddress) {
  FakeStack stack;
  stack.Chain(5);
  stack.slots[2 * 2 + 1] = 0;
  const void* callers[16];
  EXPECT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), 16, callers), 2);
}

TEST(CallerWalk, StopsWhenTheNextFrameIsNotAboveTheCurrentOne) {
  FakeStack stack;
  stack.Chain(5);
  stack.slots[2 * 1] = stack.FrameAddress(0);  // a loop back down
  const void* callers[16];
  // Frame 1's own return address still counts.
  EXPECT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), 16, callers), 2);
  stack.slots[2 * 1] = stack.FrameAddress(1);  // itself
  EXPECT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), 16, callers), 2);
}

TEST(CallerWalk, NeverReadsOutsideTheStack) {
  FakeStack stack;
  stack.Chain(5);
  stack.slots[2 * 2] = stack.Bounds().high + 64;
  const void* callers[16];
  EXPECT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), 16, callers), 3);
  EXPECT_EQ(runtime::WalkCallers(nullptr, stack.Bounds(), 16, callers), 0);
  // A misaligned frame pointer is no frame.
  const auto odd = reinterpret_cast<const void*>(stack.FrameAddress(0) + 3);
  EXPECT_EQ(runtime::WalkCallers(odd, stack.Bounds(), 16, callers), 0);
}

TEST(CallerWalk, StopsAtTheLimit) {
  FakeStack stack;
  stack.Chain(300);
  const void* callers[runtime::kMaxCallerLines];
  EXPECT_EQ(runtime::WalkCallers(stack.Frame(0), stack.Bounds(), runtime::kMaxCallerLines, callers),
            257);
  EXPECT_EQ(callers[256], Code(0x1000 + 256));
}

class ErrorReport : public testing::Test {
 protected:
  void SetUp() override {
    runtime::CloseErrorOutput();
    platform::memory::ClearMessageBoxes();
  }
  void TearDown() override {
    runtime::ErrorCode = 0;
    runtime::ErrorAddr = nullptr;
    runtime::ErrorFrame = nullptr;
    platform::memory::SetErrorOutputIsCharacterDevice(false);
    runtime::CloseErrorOutput();
    platform::memory::ClearMessageBoxes();
  }
  void Pend(std::uint16_t n, std::uintptr_t offset, const FakeStack& stack) {
    runtime::ErrorCode = n;
    runtime::ErrorAddr = Code(offset);
    runtime::ErrorFrame = stack.Frame(0);
    runtime::ErrorStack = stack.Bounds();
  }
};

TEST_F(ErrorReport, IsOneBoxWithTheErrorTheAddressTheCallersAndAnEmptyLine) {
  FakeStack stack;
  stack.Chain(2);
  Pend(205, 0x12AB, stack);
  runtime::WriteErrorReport();
  ASSERT_EQ(runtime_test::ErrorBoxTexts(),
            std::vector<std::string>{"Runtime error 205 at $000012AB\r\n"
                                     "  $000012AB\r\n"
                                     "  $00001000\r\n"
                                     "  $00001001\r\n"
                                     "\r\n"});
}

TEST_F(ErrorReport, WithoutCallersHasJustTheAddressLines) {
  FakeStack stack;
  Pend(216, 0x40, stack);
  runtime::ErrorFrame = nullptr;
  runtime::WriteErrorReport();
  ASSERT_EQ(runtime_test::ErrorBoxTexts(),
            std::vector<std::string>{"Runtime error 216 at $00000040\r\n  $00000040\r\n\r\n"});
}

TEST_F(ErrorReport, OfADeepChainFillsSeveralBoxes) {
  FakeStack stack;
  stack.Chain(300);
  Pend(202, 0x77, stack);
  runtime::WriteErrorReport();
  const auto texts = runtime_test::ErrorBoxTexts();
  // 2 lines of 32 and 13, 257 caller lines of 13 and the empty line: 3388.
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].substr(0, 32), "Runtime error 202 at $00000077\r\n");
  EXPECT_EQ(texts[0].size(), 1024u);
  EXPECT_EQ(texts[1].size(), 1024u);
  EXPECT_EQ(texts[2].size(), 1024u);
  // The last caller line is the 257th caller.
  EXPECT_EQ(texts[3].substr(texts[3].size() - 15), "  $00001100\r\n\r\n");
}

TEST_F(ErrorReport, OnACharacterDeviceListsNineCallers) {
  FakeStack stack;
  stack.Chain(20);
  Pend(200, 0x10, stack);
  platform::memory::SetErrorOutputIsCharacterDevice(true);
  testing::internal::CaptureStderr();
  runtime::WriteErrorReport();
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("  $00001008"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("  $00001009"), std::string::npos) << shown;
#ifdef __linux__
  // A Linux terminal ends its lines with LF alone.
  EXPECT_EQ(shown.find('\r'), std::string::npos) << shown;
  EXPECT_NE(shown.find("  $00001008\n"), std::string::npos) << shown;
#endif
}

}  // namespace
