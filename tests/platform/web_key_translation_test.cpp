// The page's key events (KeyboardEvent code and key) become the key messages
// Windows sends for the same keys, so that the keyboard module reads the same
// characters in the page as on the desktops; and the page keeps from the
// browser the keys the program reads.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "page_keys.hpp"
#include "wincrt/keyboard_fixture.hpp"
#include "wincrt/wincrt.hpp"

namespace {

using namespace platform;
using namespace platform::web;

constexpr Modifiers kNone{};
constexpr Modifiers kCtrl{true, false, false, false};
constexpr Modifiers kAlt{false, true, false, false};
constexpr Modifiers kMeta{false, false, true, false};
// AltGr on Windows browsers: Ctrl and Alt reported with it.
constexpr Modifiers kAltGr{true, true, false, true};

KeyMessages Press(std::string_view code, std::string_view key, Modifiers held = kNone) {
  return TranslateKey(code, key, true, held);
}

TEST(WebKeyVirtualKeys, LettersFollowTheLayoutOtherKeysTheirPlace) {
  EXPECT_EQ(VirtualKeyOf("KeyA", "a"), WPARAM{'A'});
  EXPECT_EQ(VirtualKeyOf("KeyA", "A"), WPARAM{'A'});
  // German layout: the key in the US Y place types z, and Windows calls it Z.
  EXPECT_EQ(VirtualKeyOf("KeyY", "z"), WPARAM{'Z'});
  // Shift does not change the virtual key.
  EXPECT_EQ(VirtualKeyOf("Digit1", "!"), WPARAM{'1'});
  EXPECT_EQ(VirtualKeyOf("Minus", "_"), vk::OemMinus);
  EXPECT_EQ(VirtualKeyOf("Equal", "+"), vk::OemPlus);
  // A non-Latin layout still names letter keys by their place.
  EXPECT_EQ(VirtualKeyOf("KeyQ", "\xD0\xB9"), WPARAM{'Q'});
  EXPECT_EQ(VirtualKeyOf("IntlBackslash", "<"), vk::Oem102);
}

TEST(WebKeyVirtualKeys, CursorBlockFunctionKeysAndModifiers) {
  EXPECT_EQ(VirtualKeyOf("ArrowLeft", "ArrowLeft"), VK_LEFT);
  EXPECT_EQ(VirtualKeyOf("ArrowUp", "ArrowUp"), VK_UP);
  EXPECT_EQ(VirtualKeyOf("ArrowRight", "ArrowRight"), VK_RIGHT);
  EXPECT_EQ(VirtualKeyOf("ArrowDown", "ArrowDown"), VK_DOWN);
  EXPECT_EQ(VirtualKeyOf("PageUp", "PageUp"), VK_PRIOR);
  EXPECT_EQ(VirtualKeyOf("PageDown", "PageDown"), VK_NEXT);
  EXPECT_EQ(VirtualKeyOf("Delete", "Delete"), VK_DELETE);
  for (int n = 1; n <= 24; ++n) {
    const std::string code = "F" + std::to_string(n);
    EXPECT_EQ(VirtualKeyOf(code, code), VK_F1 + static_cast<WPARAM>(n - 1)) << code;
  }
  EXPECT_EQ(VirtualKeyOf("F25", "F25"), WPARAM{0});
  EXPECT_EQ(VirtualKeyOf("Fn", "Fn"), WPARAM{0});
  EXPECT_EQ(VirtualKeyOf("ControlRight", "Control"), VK_CONTROL);
  EXPECT_EQ(VirtualKeyOf("AltRight", "Alt"), VK_MENU);
  EXPECT_EQ(VirtualKeyOf("ShiftLeft", "Shift"), VK_SHIFT);
  EXPECT_EQ(VirtualKeyOf("MetaLeft", "Meta"), vk::LWin);
}

TEST(WebKeyVirtualKeys, KeypadFollowsNumLock) {
  EXPECT_EQ(VirtualKeyOf("Numpad7", "7"), vk::Numpad0 + 7);
  EXPECT_EQ(VirtualKeyOf("Numpad7", "Home"), VK_HOME);
  EXPECT_EQ(VirtualKeyOf("Numpad4", "ArrowLeft"), VK_LEFT);
  EXPECT_EQ(VirtualKeyOf("NumpadDecimal", "Delete"), VK_DELETE);
  EXPECT_EQ(VirtualKeyOf("NumpadDecimal", ","), vk::Decimal);
  EXPECT_EQ(VirtualKeyOf("NumpadEnter", "Enter"), VK_RETURN);
  EXPECT_EQ(VirtualKeyOf("NumpadSubtract", "-"), vk::Subtract);
}

TEST(WebKeyCharacters, TheProgramsKeysOnEitherKeyboard) {
  EXPECT_EQ(Press("Minus", "-").character, 45);
  EXPECT_EQ(Press("NumpadSubtract", "-").character, 45);
  EXPECT_EQ(Press("Equal", "=").character, 61);
  EXPECT_EQ(Press("Enter", "Enter").character, 13);
  EXPECT_EQ(Press("NumpadEnter", "Enter").character, 13);
  EXPECT_EQ(Press("Numpad3", "3").character, '3');
}

TEST(WebKeyCharacters, ControlKeysTypeTheirAsciiCodes) {
  EXPECT_EQ(CharacterOf("Backspace", false, false), 8);
  EXPECT_EQ(CharacterOf("Tab", false, false), 9);
  EXPECT_EQ(CharacterOf("Escape", false, false), 27);
  EXPECT_EQ(CharacterOf("a", true, false), 1);
  EXPECT_EQ(CharacterOf("Z", true, false), 26);
  EXPECT_EQ(CharacterOf("[", true, false), 27);
  EXPECT_EQ(CharacterOf("-", true, false), 0x1F);
  EXPECT_EQ(CharacterOf("Enter", true, false), 10);
  EXPECT_EQ(CharacterOf("1", true, false), -1);
  EXPECT_EQ(CharacterOf("7", true, true), -1);
}

TEST(WebKeyCharacters, NamedKeysAndTextBeyondLatin1TypeNothing) {
  EXPECT_EQ(Press("ArrowLeft", "ArrowLeft").charMessage, 0u);
  EXPECT_EQ(Press("Delete", "Delete").charMessage, 0u);
  EXPECT_EQ(Press("F1", "F1").charMessage, 0u);
  EXPECT_EQ(Press("Numpad7", "Home").charMessage, 0u);
  EXPECT_EQ(Press("BracketLeft", "Dead").charMessage, 0u);  // a dead key waits
  EXPECT_EQ(Press("KeyE", "\xC3\xA9").character, 0xE9);     // e acute, UTF-8 from the page
  EXPECT_EQ(Press("KeyE", "\xE2\x82\xAC").character, -1);   // the euro sign
  EXPECT_EQ(Press("KeyQ", "\xD0\xB9").character, -1);       // Cyrillic
  EXPECT_EQ(FirstCodePoint("\xC3").value, -1);              // cut short
}

TEST(WebKeyMessages, PlainKeyIsKeyDownThenChar) {
  const KeyMessages minus = Press("Minus", "-");
  EXPECT_EQ(minus.key, WM_KEYDOWN);
  EXPECT_EQ(minus.virtualKey, vk::OemMinus);
  EXPECT_EQ(minus.charMessage, WM_CHAR);
  const KeyMessages up = TranslateKey("Minus", "-", false, kNone);
  EXPECT_EQ(up.key, WM_KEYUP);
  EXPECT_EQ(up.charMessage, 0u);
}

TEST(WebKeyMessages, AltAndF10MakeSystemKeysCtrlDoesNot) {
  EXPECT_EQ(Press("AltLeft", "Alt").key, WM_SYSKEYDOWN);
  const KeyMessages altX = Press("KeyX", "x", kAlt);
  EXPECT_EQ(altX.key, WM_SYSKEYDOWN);
  EXPECT_EQ(altX.charMessage, WM_SYSCHAR);
  EXPECT_EQ(altX.character, 'x');
  EXPECT_EQ(TranslateKey("AltLeft", "Alt", false, kAlt).key, WM_SYSKEYUP);
  EXPECT_EQ(Press("F10", "F10").key, WM_SYSKEYDOWN);
  EXPECT_EQ(Press("F10", "F10", kCtrl).key, WM_KEYDOWN);
  EXPECT_EQ(Press("AltLeft", "Alt", kCtrl).key, WM_KEYDOWN);
  // Ctrl+Alt without AltGr types nothing, as on a US keyboard.
  EXPECT_EQ(Press("KeyQ", "q", {true, true, false, false}).charMessage, 0u);
}

TEST(WebKeyMessages, AltGrTypesItsCharacter) {
  const KeyMessages at = Press("KeyQ", "@", kAltGr);
  EXPECT_EQ(at.key, WM_KEYDOWN);
  EXPECT_EQ(at.charMessage, WM_CHAR);
  EXPECT_EQ(at.character, '@');
}

TEST(WebPageKeys, KeepsWhatTheProgramReadsLeavesBrowserShortcuts) {
  const auto keeps = [](std::string_view code, std::string_view key, Modifiers held = kNone) {
    return PageKeepsKey(TranslateKey(code, key, true, held), held);
  };
  EXPECT_TRUE(keeps("ArrowDown", "ArrowDown"));  // no scrolling
  EXPECT_TRUE(keeps("Space", " "));
  EXPECT_TRUE(keeps("PageDown", "PageDown"));
  EXPECT_TRUE(keeps("F1", "F1"));  // no help page
  EXPECT_TRUE(keeps("F3", "F3"));  // no find
  EXPECT_TRUE(keeps("F5", "F5", kCtrl));
  EXPECT_TRUE(keeps("Slash", "/"));  // no quick find
  EXPECT_TRUE(keeps("Minus", "-"));
  EXPECT_TRUE(keeps("KeyQ", "@", kAltGr));
  EXPECT_TRUE(keeps("AltLeft", "Alt"));
  EXPECT_FALSE(keeps("F11", "F11"));
  EXPECT_FALSE(keeps("F12", "F12"));
  EXPECT_FALSE(keeps("KeyT", "t", kCtrl));
  EXPECT_FALSE(keeps("Minus", "-", kCtrl));  // the browser's zoom
  EXPECT_FALSE(keeps("ArrowLeft", "ArrowLeft", kMeta));
  EXPECT_FALSE(keeps("ShiftLeft", "Shift"));
  EXPECT_TRUE(PageKeepsKey(TranslateKey("ArrowUp", "ArrowUp", false, kNone), kNone));
}

// From a page key event to what ReadKey returns, through the keyboard module
// as the window procedure routes the messages to it.
class WebKeysThroughKeyboardModule : public Keyboard {
 protected:
  static void Key(std::string_view code, std::string_view key, bool press, Modifiers held = kNone) {
    const KeyMessages keys = TranslateKey(code, key, press, held);
    // Only these reach the character hook; system keys take the default way.
    if (keys.key == WM_KEYDOWN) KeyDown(keys.virtualKey);
    if (keys.key == WM_KEYUP) KeyUp(keys.virtualKey);
    if (keys.charMessage == WM_CHAR) Char(static_cast<WPARAM>(keys.character));
  }

  static void Tap(std::string_view code, std::string_view key) {
    Key(code, key, true);
    Key(code, key, false);
  }
};

TEST_F(WebKeysThroughKeyboardModule, ZoomKeysAndEnter) {
  Tap("Minus", "-");
  Tap("NumpadSubtract", "-");
  Tap("Equal", "=");
  Tap("Enter", "Enter");
  Tap("NumpadEnter", "Enter");
  EXPECT_EQ(Drain(), std::string("--=\r\r"));
}

TEST_F(WebKeysThroughKeyboardModule, ArrowsAndFunctionKeysAsZeroAndScanCode) {
  Tap("ArrowLeft", "ArrowLeft");
  Tap("ArrowUp", "ArrowUp");
  Tap("Numpad7", "Home");
  Tap("F3", "F3");
  Tap("Delete", "Delete");
  EXPECT_EQ(Drain(), std::string({'\0', 75, '\0', 72, '\0', 71, '\0', 61, '\0', 83}));
}

TEST_F(WebKeysThroughKeyboardModule, CtrlFunctionKeysAndAltAloneNeverSeen) {
  Key("ControlLeft", "Control", true);
  Tap("F2", "F2");
  Key("ControlLeft", "Control", false, kCtrl);
  // Alt alone is a system key: the module never hears it, nor Alt+F2.
  Key("AltLeft", "Alt", true);
  Key("F2", "F2", true, kAlt);
  Key("F2", "F2", false, kAlt);
  Key("AltLeft", "Alt", false, kAlt);
  Tap("F2", "F2");
  EXPECT_EQ(Drain(), std::string({'\0', 95, '\0', 60}));
}

}  // namespace
