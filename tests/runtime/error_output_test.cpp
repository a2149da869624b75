// The error output collects text and shows it in "Error" boxes: at three
// trailing line ends, when the buffer is full, and when it is closed.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/memory/memory_control.hpp"
#include "runtime/runtime.hpp"
#include "test_support.hpp"

namespace {

using runtime_test::ErrorBoxTexts;

class ErrorOutput : public testing::Test {
 protected:
  void SetUp() override {
    runtime::CloseErrorOutput();
    platform::memory::ClearMessageBoxes();
  }
  void TearDown() override {
    runtime::CloseErrorOutput();
    platform::memory::ClearMessageBoxes();
  }
};

TEST_F(ErrorOutput, HoldsTextUntilThreeLineEndsFollowIt) {
  runtime::WriteErrorOutput("first line\r\n");
  runtime::WriteErrorOutput("second\n\n");
  EXPECT_TRUE(ErrorBoxTexts().empty());
  EXPECT_EQ(runtime::ErrorLen, 20);
  EXPECT_STREQ(runtime::ErrorBuf, "first line\r\nsecond\n\n");

  runtime::WriteErrorOutput("\r");
  ASSERT_EQ(ErrorBoxTexts(), std::vector<std::string>{"first line\r\nsecond\n\n\r"});
  EXPECT_EQ(runtime::ErrorLen, 0);
}

TEST_F(ErrorOutput, ThreeLineEndsAloneAreNotEnough) {
  // The buffer must hold more than three characters.
  runtime::WriteErrorOutput("\r\n\n");
  EXPECT_TRUE(ErrorBoxTexts().empty());
  runtime::WriteErrorOutput("x\r\n\r\n");
  ASSERT_EQ(ErrorBoxTexts(), std::vector<std::string>{"\r\n\nx\r\n\r\n"});
}

TEST_F(ErrorOutput, LineEndsInsideTheTextDoNotShowIt) {
  runtime::WriteErrorOutput("a\r\n\r\nb");
  EXPECT_TRUE(ErrorBoxTexts().empty());
  EXPECT_EQ(runtime::ErrorLen, 6);
}

TEST_F(ErrorOutput, ShowsHeldTextWhenClosed) {
  runtime::WriteErrorOutput("Error: no line end");
  EXPECT_TRUE(ErrorBoxTexts().empty());
  runtime::CloseErrorOutput();
  ASSERT_EQ(ErrorBoxTexts(), std::vector<std::string>{"Error: no line end"});
  EXPECT_EQ(runtime::ErrorLen, 0);

  // Nothing held: closing again shows nothing.
  runtime::CloseErrorOutput();
  EXPECT_EQ(ErrorBoxTexts().size(), 1u);
}

TEST_F(ErrorOutput, BoxesAreCaptionedError) {
  runtime::WriteErrorOutput("x\r\n\r\n");
  const auto boxes = platform::memory::MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
}

TEST_F(ErrorOutput, FullBufferIsShownAndTheExcessOfThatWriteLost) {
  const std::string line(100, 'a');
  for (int i = 0; i < 10; ++i) runtime::WriteErrorOutput(line);
  EXPECT_TRUE(ErrorBoxTexts().empty());
  EXPECT_EQ(runtime::ErrorLen, 1000);

  // 24 characters still fit; the other 76 of this write are dropped.
  runtime::WriteErrorOutput(std::string(100, 'b'));
  auto texts = ErrorBoxTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], std::string(1000, 'a') + std::string(24, 'b'));
  EXPECT_EQ(runtime::ErrorLen, 0);

  // The next write starts a fresh box.
  runtime::WriteErrorOutput("c");
  runtime::CloseErrorOutput();
  texts = ErrorBoxTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "c");
}

TEST_F(ErrorOutput, LongReportIsShownInSeveralBoxesOfAtMost1024) {
  // 300 lines of 13 characters, as the caller lines of a report.
  for (int i = 0; i < 300; ++i) runtime::WriteErrorOutput("  $0000ABCD\r\n");
  runtime::WriteErrorOutput("\r\n");
  const auto texts = ErrorBoxTexts();
  // 1024 = 78 whole lines and 10 characters of the 79th; its last 3 are lost.
  ASSERT_EQ(texts.size(), 4u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(texts[i].size(), 1024u);
    EXPECT_EQ(texts[i].substr(1014), "  $0000ABC") << "box " << i;
  }
  // 300 - 3 * 79 = 63 lines left, then the empty line.
  std::string last;
  for (int i = 0; i < 63; ++i) last += "  $0000ABCD\r\n";
  EXPECT_EQ(texts[3], last + "\r\n");
}

TEST_F(ErrorOutput, WritesFromSeveralThreadsAreNotTorn) {
  constexpr int kLines = 200;
  auto writer = [] {
    for (int i = 0; i < kLines; ++i) runtime::WriteErrorOutput("0123456789\r\n\r\n");
  };
  std::thread a(writer);
  std::thread b(writer);
  a.join();
  b.join();
  const auto texts = ErrorBoxTexts();
  // Each write ends in three line ends, so each is a box of its own.
  ASSERT_EQ(texts.size(), 2u * kLines);
  for (const auto& text : texts) EXPECT_EQ(text, "0123456789\r\n\r\n");
}

}  // namespace
