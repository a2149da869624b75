#include <thread>

#include "keyboard_fixture.hpp"

namespace {

TEST_F(Keyboard, EmptyQueueHasNothingPressed) { EXPECT_FALSE(wincrt::KeyPressed()); }

TEST_F(Keyboard, ReadKeyReturnsOldestAndEmpties) {
  wincrt::AddChar('-');
  ASSERT_TRUE(wincrt::KeyPressed());
  EXPECT_EQ(wincrt::ReadKey(), '-');
  EXPECT_FALSE(wincrt::KeyPressed());
}

TEST_F(Keyboard, FortyUnreadCharactersLeaveTheLastThirtyOne) {
  std::string typed;
  for (int i = 0; i < 40; ++i) {
    const char c = static_cast<char>('A' + i);
    typed += c;
    wincrt::AddChar(c);
  }
  EXPECT_EQ(Drain(), typed.substr(9));
}

TEST_F(Keyboard, OverflowDropsAnExtendedPairWhole) {
  wincrt::AddExtChar(75);
  for (int i = 0; i < 29; ++i) wincrt::AddChar('a');
  ASSERT_EQ(wincrt::NextFree, 32);  // 31 queued
  wincrt::AddChar('z');
  EXPECT_EQ(Drain(), std::string(29, 'a') + "z");
}

TEST_F(Keyboard, IndicesWrapFromThirtyTwoToOne) {
  std::int32_t i = 32;
  wincrt::IncCyclic(i);
  EXPECT_EQ(i, 1);
  // Many full turns of the ring keep order.
  std::string expected;
  for (int turn = 0; turn < 100; ++turn) {
    const char c = static_cast<char>('0' + turn % 10);
    wincrt::AddChar(c);
    EXPECT_EQ(wincrt::ReadKey(), c);
  }
  EXPECT_FALSE(wincrt::KeyPressed());
}

TEST_F(Keyboard, ReadKeyWaitsForACharacterFromAnotherThread) {
  std::thread producer([] {
    wincrt::Delay(30);
    wincrt::AddChar('\r');
  });
  EXPECT_EQ(wincrt::ReadKey(), '\r');
  producer.join();
}

TEST_F(Keyboard, ReaderNeverSeesHalfAnExtendedKey) {
  // The window thread queues extended keys while the program thread reads:
  // every #0 read must be followed by its code. Bursts fit in the queue, so
  // no overflow drops anything here.
  constexpr int kBursts = 100;
  std::thread producer([] {
    for (int burst = 0; burst < kBursts; ++burst) {
      for (int i = 0; i < 10; ++i) {
        wincrt::AddExtChar(72);
        wincrt::AddChar('x');
      }
      while (wincrt::KeyPressed()) std::this_thread::yield();
    }
    wincrt::AddChar('\r');
  });
  int pairs = 0;
  int broken = 0;
  for (;;) {
    const char c = wincrt::ReadKey();
    if (c == '\r') break;
    if (c == '\0') {
      if (wincrt::ReadKey() != 72) ++broken;
      ++pairs;
    } else if (c != 'x') {
      ++broken;
    }
  }
  producer.join();
  EXPECT_EQ(broken, 0);
  EXPECT_EQ(pairs, kBursts * 10);
}

}  // namespace
