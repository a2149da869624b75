// X11 key symbols become the key messages Windows sends for the same keys,
// so that the keyboard module reads the same characters on both desktops.
#include <gtest/gtest.h>

#include <string>

#include "platform/x11/key_translation.hpp"
#include "wincrt/wincrt.hpp"

namespace {

using namespace platform;
using namespace platform::x11;
namespace ks = platform::x11::keysym;

constexpr std::uint32_t kNone = 0;

KeyMessages Press(std::uint32_t base, std::uint32_t effective = kNone, bool ctrl = false,
                  bool alt = false) {
  return TranslateKey(base, effective == kNone ? base : effective, true, ctrl, alt);
}

KeyMessages Release(std::uint32_t base, bool ctrl = false, bool alt = false) {
  return TranslateKey(base, base, false, ctrl, alt);
}

TEST(X11KeyVirtualKeys, CharacterKeysTakeTheirUnshiftedKey) {
  EXPECT_EQ(VirtualKeyOf('a', 'a'), WPARAM{'A'});
  EXPECT_EQ(VirtualKeyOf('a', 'A'), WPARAM{'A'});
  EXPECT_EQ(VirtualKeyOf('7', '&'), WPARAM{'7'});
  EXPECT_EQ(VirtualKeyOf('-', '_'), vk::OemMinus);
  EXPECT_EQ(VirtualKeyOf('=', '+'), vk::OemPlus);
  EXPECT_EQ(VirtualKeyOf(' ', ' '), VK_SPACE);
}

TEST(X11KeyVirtualKeys, CursorBlockAndFunctionKeys) {
  EXPECT_EQ(VirtualKeyOf(ks::Left, ks::Left), VK_LEFT);
  EXPECT_EQ(VirtualKeyOf(ks::Up, ks::Up), VK_UP);
  EXPECT_EQ(VirtualKeyOf(ks::Right, ks::Right), VK_RIGHT);
  EXPECT_EQ(VirtualKeyOf(ks::Down, ks::Down), VK_DOWN);
  EXPECT_EQ(VirtualKeyOf(ks::Home, ks::Home), VK_HOME);
  EXPECT_EQ(VirtualKeyOf(ks::End, ks::End), VK_END);
  EXPECT_EQ(VirtualKeyOf(ks::Prior, ks::Prior), VK_PRIOR);
  EXPECT_EQ(VirtualKeyOf(ks::Next, ks::Next), VK_NEXT);
  EXPECT_EQ(VirtualKeyOf(ks::Insert, ks::Insert), VK_INSERT);
  EXPECT_EQ(VirtualKeyOf(ks::Delete, ks::Delete), VK_DELETE);
  for (std::uint32_t n = 0; n < 10; ++n) {
    EXPECT_EQ(VirtualKeyOf(ks::F1 + n, ks::F1 + n), VK_F1 + n) << "F" << n + 1;
  }
  EXPECT_EQ(VirtualKeyOf(ks::F1 + 9, ks::F1 + 9), VK_F10);
}

TEST(X11KeyVirtualKeys, ModifiersBothSides) {
  EXPECT_EQ(VirtualKeyOf(ks::ControlL, ks::ControlL), VK_CONTROL);
  EXPECT_EQ(VirtualKeyOf(ks::ControlR, ks::ControlR), VK_CONTROL);
  EXPECT_EQ(VirtualKeyOf(ks::AltL, ks::AltL), VK_MENU);
  EXPECT_EQ(VirtualKeyOf(ks::AltR, ks::AltR), VK_MENU);
  EXPECT_EQ(VirtualKeyOf(ks::ShiftL, ks::ShiftL), VK_SHIFT);
}

TEST(X11KeyVirtualKeys, KeypadFollowsNumLock) {
  // The keypad's 7: Home with Num Lock off, the digit with it on.
  EXPECT_EQ(VirtualKeyOf(ks::KP_Home, ks::KP_Home), VK_HOME);
  EXPECT_EQ(VirtualKeyOf(ks::KP_Home, ks::KP_0 + 7), vk::Numpad0 + 7);
  EXPECT_EQ(VirtualKeyOf(ks::KP_Delete, ks::KP_Delete), VK_DELETE);
  EXPECT_EQ(VirtualKeyOf(ks::KP_Enter, ks::KP_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyOf(ks::KP_Subtract, ks::KP_Subtract), vk::Subtract);
}

TEST(X11KeyCharacters, TheProgramsKeysOnEitherKeyboard) {
  EXPECT_EQ(CharacterOf(ks::Return, false), 13);
  EXPECT_EQ(CharacterOf(ks::KP_Enter, false), 13);
  EXPECT_EQ(CharacterOf('-', false), 45);
  EXPECT_EQ(CharacterOf(ks::KP_Subtract, false), 45);
  EXPECT_EQ(CharacterOf('=', false), 61);
  EXPECT_EQ(CharacterOf(ks::KP_0 + 3, false), '3');
}

TEST(X11KeyCharacters, ControlKeysTypeTheirAsciiCodes) {
  EXPECT_EQ(CharacterOf(ks::BackSpace, false), 8);
  EXPECT_EQ(CharacterOf(ks::Tab, false), 9);
  EXPECT_EQ(CharacterOf(ks::Escape, false), 27);
  EXPECT_EQ(CharacterOf('a', true), 1);
  EXPECT_EQ(CharacterOf('Z', true), 26);
  EXPECT_EQ(CharacterOf('[', true), 27);
  EXPECT_EQ(CharacterOf(ks::Return, true), 10);
  EXPECT_EQ(CharacterOf('1', true), -1);
}

TEST(X11KeyCharacters, KeysWithoutACharacterTypeNothing) {
  // Xlib would give Delete as 127; Windows types nothing for it.
  EXPECT_EQ(CharacterOf(ks::Delete, false), -1);
  EXPECT_EQ(CharacterOf(ks::Left, false), -1);
  EXPECT_EQ(CharacterOf(ks::F1, false), -1);
  EXPECT_EQ(CharacterOf(ks::ShiftL, false), -1);
  EXPECT_EQ(CharacterOf(ks::KP_Home, false), -1);
}

TEST(X11KeyCharacters, Latin1OnlyWhetherNamedOrUnicode) {
  EXPECT_EQ(CharacterOf(0xE9, false), 0xE9);                    // eacute
  EXPECT_EQ(CharacterOf(ks::UnicodeBase + 0xFC, false), 0xFC);  // u with diaeresis
  EXPECT_EQ(CharacterOf(ks::UnicodeBase + 0x20AC, false), -1);  // euro sign
  EXPECT_EQ(CharacterOf(0x6C1, false), -1);                     // Cyrillic keysym
}

TEST(X11KeyMessages, PlainKeyIsKeyDownThenChar) {
  const KeyMessages minus = Press('-');
  EXPECT_EQ(minus.key, WM_KEYDOWN);
  EXPECT_EQ(minus.virtualKey, vk::OemMinus);
  EXPECT_EQ(minus.charMessage, WM_CHAR);
  EXPECT_EQ(minus.character, 45);

  const KeyMessages left = Press(ks::Left);
  EXPECT_EQ(left.key, WM_KEYDOWN);
  EXPECT_EQ(left.charMessage, 0u);

  const KeyMessages up = Release('-');
  EXPECT_EQ(up.key, WM_KEYUP);
  EXPECT_EQ(up.virtualKey, vk::OemMinus);
  EXPECT_EQ(up.charMessage, 0u);
}

TEST(X11KeyMessages, AltMakesSystemKeys) {
  const KeyMessages alt = Press(ks::AltL);
  EXPECT_EQ(alt.key, WM_SYSKEYDOWN);
  EXPECT_EQ(alt.virtualKey, VK_MENU);

  const KeyMessages altX = Press('x', 'x', false, true);
  EXPECT_EQ(altX.key, WM_SYSKEYDOWN);
  EXPECT_EQ(altX.virtualKey, WPARAM{'X'});
  EXPECT_EQ(altX.charMessage, WM_SYSCHAR);
  EXPECT_EQ(altX.character, 'x');

  EXPECT_EQ(Release('x', false, true).key, WM_SYSKEYUP);
  EXPECT_EQ(Release(ks::AltL, false, true).key, WM_SYSKEYUP);
}

TEST(X11KeyMessages, F10IsASystemKeyUnlessCtrlIsHeld) {
  const KeyMessages f10 = Press(ks::F1 + 9);
  EXPECT_EQ(f10.key, WM_SYSKEYDOWN);
  EXPECT_EQ(f10.virtualKey, VK_F10);
  EXPECT_EQ(f10.charMessage, 0u);
  EXPECT_EQ(Press(ks::F1 + 9, kNone, true).key, WM_KEYDOWN);
  EXPECT_EQ(Press(ks::F1 + 8).key, WM_KEYDOWN);
}

TEST(X11KeyMessages, CtrlAndAltWithCtrlAreOrdinaryKeys) {
  const KeyMessages ctrl = Press(ks::ControlL);
  EXPECT_EQ(ctrl.key, WM_KEYDOWN);
  EXPECT_EQ(ctrl.virtualKey, VK_CONTROL);
  EXPECT_EQ(Release(ks::ControlR, true).key, WM_KEYUP);

  const KeyMessages altWithCtrl = Press(ks::AltL, kNone, true);
  EXPECT_EQ(altWithCtrl.key, WM_KEYDOWN);
  EXPECT_EQ(altWithCtrl.virtualKey, VK_MENU);
  // Ctrl released while Alt is still down: the release is still Ctrl's own.
  EXPECT_EQ(Release(ks::ControlL, true, true).key, WM_KEYUP);
  // Ctrl+Alt is AltGr on Windows, which types nothing on a US keyboard.
  EXPECT_EQ(Press('q', 'q', true, true).charMessage, 0u);
}

// The whole way from an X key to what ReadKey returns, through the keyboard
// module as the window procedure routes the messages to it.
class X11KeysThroughKeyboardModule : public testing::Test {
 protected:
  void SetUp() override {
    wincrt::ResetKeyQueue();
    wincrt::CtrlKey = false;
    wincrt::AltKey = false;
  }
  void TearDown() override { SetUp(); }

  static void Deliver(UINT message, WPARAM wParam) {
    // Only these reach the character hook; system keys take the default way.
    if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) {
      wincrt::MsgHandler(1, message, wParam, 0);
    }
  }

  static void Key(std::uint32_t base, std::uint32_t effective, bool press, bool ctrl = false,
                  bool alt = false) {
    const KeyMessages keys = TranslateKey(base, effective, press, ctrl, alt);
    Deliver(keys.key, keys.virtualKey);
    if (keys.charMessage != 0) Deliver(keys.charMessage, static_cast<WPARAM>(keys.character));
  }

  static void Tap(std::uint32_t base, std::uint32_t effective = kNone) {
    Key(base, effective == kNone ? base : effective, true);
    Key(base, effective == kNone ? base : effective, false);
  }

  static std::string Typed() {
    std::string out;
    while (wincrt::KeyPressed()) out += wincrt::ReadKey();
    return out;
  }
};

TEST_F(X11KeysThroughKeyboardModule, ZoomKeysAndEnter) {
  Tap('-');
  Tap(ks::KP_Subtract);
  Tap('=');
  Tap(ks::Return);
  Tap(ks::KP_Enter);
  EXPECT_EQ(Typed(), std::string("--=\r\r"));
}

TEST_F(X11KeysThroughKeyboardModule, ExtendedKeysAsZeroAndScanCode) {
  Tap(ks::Left);
  Tap(ks::KP_Home);  // Num Lock off
  Tap(ks::F1);
  Tap(ks::Delete);
  EXPECT_EQ(Typed(), std::string({'\0', 75, '\0', 71, '\0', 59, '\0', 83}));
}

TEST_F(X11KeysThroughKeyboardModule, CtrlFunctionKeysAndAltOnlyWithCtrl) {
  Key(ks::ControlL, ks::ControlL, true);
  Tap(ks::F1 + 1);
  Key(ks::AltL, ks::AltL, true, true);  // with Ctrl: an ordinary key-down
  Key(ks::ControlL, ks::ControlL, false, true, true);
  // Released without Ctrl, Alt comes up as a system key: the module never
  // hears it, as on Windows, and still counts Alt as held.
  Key(ks::AltL, ks::AltL, false, false, true);
  Tap(ks::F1 + 1);
  EXPECT_EQ(Typed(), std::string({'\0', 95, '\0', 105}));
}

TEST_F(X11KeysThroughKeyboardModule, AltAloneNeverReachesTheQueue) {
  Key(ks::AltL, ks::AltL, true);
  Key('x', 'x', true, false, true);
  Key('x', 'x', false, false, true);
  Key(ks::AltL, ks::AltL, false, false, true);
  Tap(ks::F1 + 9);  // F10 is a system key
  Tap(ks::F1);      // Alt was never seen held
  EXPECT_EQ(Typed(), std::string({'\0', 59}));
}

}  // namespace
