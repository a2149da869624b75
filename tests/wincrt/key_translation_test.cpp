#include "keyboard_fixture.hpp"

namespace {

using namespace platform;

// The keys as the window system sends them: Alt is an ordinary key only
// while Ctrl is held, and F10 only with Ctrl.
TEST_F(Keyboard, FunctionKeysInTheirThreeRanges) {
  KeyDown(VK_F1);
  EXPECT_EQ(Drain(), Ext(59));
  KeyDown(VK_CONTROL);
  KeyDown(VK_F1);
  KeyDown(VK_F10);
  EXPECT_EQ(Drain(), Ext(94) + Ext(103));
  // Ctrl is let go first: Alt then comes up as a system key, unheard, and
  // counts as held until its next ordinary key-up.
  KeyDown(VK_MENU);
  KeyUp(VK_CONTROL);
  SysKeyUp(VK_MENU);
  KeyDown(VK_F1);
  KeyDown(VK_F10 - 1);  // F9
  EXPECT_EQ(Drain(), Ext(104) + Ext(112));
}

TEST_F(Keyboard, SystemKeysQueueNothingAndHoldNoModifier) {
  SysKeyDown(VK_F10);
  SysKeyUp(VK_F10);
  SysKeyDown(VK_MENU);
  SysKeyDown(VK_F1);  // Alt+F1
  wincrt::MsgHandler(0, WM_SYSCHAR, 'x', 0);
  SysKeyUp(VK_F1);
  SysKeyUp(VK_MENU);
  EXPECT_FALSE(wincrt::KeyPressed());
  KeyDown(VK_F1);
  EXPECT_EQ(Drain(), Ext(59));
}

TEST_F(Keyboard, ShiftChangesNothing) {
  KeyDown(VK_SHIFT);
  KeyDown(VK_F1);
  EXPECT_EQ(Drain(), Ext(59));
}

TEST_F(Keyboard, CtrlTakesPrecedenceOverAlt) {
  KeyDown(VK_CONTROL);
  KeyDown(VK_MENU);    // with Ctrl held: an ordinary key-down
  KeyDown(VK_F1 + 2);  // F3
  EXPECT_EQ(Drain(), Ext(96));
}

TEST_F(Keyboard, KeyUpsReleaseTheModifiers) {
  KeyDown(VK_CONTROL);
  KeyDown(VK_MENU);
  KeyUp(VK_MENU);  // Ctrl still held: an ordinary key-up
  KeyUp(VK_CONTROL);
  KeyDown(VK_F1 + 1);  // F2
  EXPECT_EQ(Drain(), Ext(60));
}

TEST_F(Keyboard, ExtendedKeysGiveTheirScanCodes) {
  const std::pair<WPARAM, char> keys[] = {
      {VK_PRIOR, 73}, {VK_NEXT, 81},  {VK_END, 79},  {VK_HOME, 71},   {VK_LEFT, 75},
      {VK_UP, 72},    {VK_RIGHT, 77}, {VK_DOWN, 80}, {VK_INSERT, 82}, {VK_DELETE, 83}};
  for (const auto& [vk, code] : keys) {
    KeyDown(vk);
    EXPECT_EQ(Drain(), Ext(code)) << "virtual key " << vk;
  }
}

TEST_F(Keyboard, OtherKeyDownsAndKeyUpsQueueNothing) {
  KeyDown('A');
  KeyDown(VK_RETURN);
  KeyDown(VK_ESCAPE);
  KeyDown(111);  // just below F1
  KeyDown(122);  // F11
  KeyUp(VK_LEFT);
  wincrt::MsgHandler(0, WM_SYSKEYDOWN, VK_F1, 0);
  EXPECT_FALSE(wincrt::KeyPressed());
}

TEST_F(Keyboard, CharactersQueueTheirLowEightBits) {
  Char('-');
  Char('=');
  Char(13);
  Char(0x1E9);  // only the low byte counts
  EXPECT_EQ(Drain(), std::string("-=\r\xE9"));
}

TEST_F(Keyboard, AutoRepeatQueuesAgain) {
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  EXPECT_EQ(Drain(), Ext(75) + Ext(75));
}

}  // namespace
