// Key events of the X server and of the page become the key messages Windows
// sends for the same keys, through the one key translation, so that the
// keyboard module reads the same characters everywhere; and the page keeps
// from the browser the keys the program reads.
#include "platform/keys/key_translation.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "page_keys.hpp"
#include "platform/keys/key_symbols.hpp"
#include "wincrt/keyboard_fixture.hpp"

namespace {

using namespace platform;
namespace ks = platform::keys::symbol;
using keys::KeyMessages;

// A key as the X server reports it: its unshifted symbol and the one with
// Shift and Num Lock applied. {0, 0}: the row has no X11 form.
struct X11Key {
  std::uint32_t base = 0;
  std::uint32_t effective = 0;
};

// A key as the page reports it; an empty code: the row has no page form.
struct PageKey {
  std::string_view code;
  std::string_view key;
};

// Held modifiers, as both report them; AltGr only in the page.
enum Held { kNone, kCtrl, kAlt, kCtrlAlt, kAltGr };

web::Modifiers PageHeld(Held held) {
  return {held == kCtrl || held == kCtrlAlt || held == kAltGr,
          held == kAlt || held == kCtrlAlt || held == kAltGr, false, held == kAltGr};
}

KeyMessages FromX11(X11Key key, bool press, Held held) {
  return keys::TranslateKey(
      {keys::NamingSymbol(key.base, key.effective),
       keys::TextOfSymbol(key.effective),
       press,
       {held == kCtrl || held == kCtrlAlt, held == kAlt || held == kCtrlAlt, false}});
}

KeyMessages FromPage(PageKey key, bool press, Held held) {
  return web::TranslatePageKey(key.code, key.key, press, PageHeld(held));
}

constexpr bool kDown = true;
constexpr bool kUp = false;
constexpr UINT kNoChar = 0;

struct Row {
  X11Key x11;
  PageKey page;
  Held held;
  bool press;
  UINT message;
  WPARAM virtualKey;
  UINT charMessage;
  int character;
};

constexpr std::uint32_t U(std::uint32_t code) { return ks::UnicodeBase + code; }

// clang-format off
const Row kRows[] = {
    // Character keys: the virtual key is the unshifted key's, letters by the
    // layout; the character has Shift applied.
    {{'a', 'a'}, {"KeyA", "a"}, kNone, kDown, WM_KEYDOWN, 'A', WM_CHAR, 'a'},
    {{'a', 'A'}, {"KeyA", "A"}, kNone, kDown, WM_KEYDOWN, 'A', WM_CHAR, 'A'},
    {{'z', 'z'}, {"KeyY", "z"}, kNone, kDown, WM_KEYDOWN, 'Z', WM_CHAR, 'z'}, // German layout
    {{'7', '&'}, {"Digit7", "&"}, kNone, kDown, WM_KEYDOWN, '7', WM_CHAR, '&'},
    {{'1', '!'}, {"Digit1", "!"}, kNone, kDown, WM_KEYDOWN, '1', WM_CHAR, '!'},
    {{'-', '_'}, {"Minus", "_"}, kNone, kDown, WM_KEYDOWN, vk::OemMinus, WM_CHAR, '_'},
    {{'=', '+'}, {"Equal", "+"}, kNone, kDown, WM_KEYDOWN, vk::OemPlus, WM_CHAR, '+'},
    {{' ', ' '}, {"Space", " "}, kNone, kDown, WM_KEYDOWN, VK_SPACE, WM_CHAR, ' '},
    {{'<', '<'}, {"IntlBackslash", "<"}, kNone, kDown, WM_KEYDOWN, vk::Oem102, WM_CHAR, '<'},
    // The program's keys, on either keyboard.
    {{'-', '-'}, {"Minus", "-"}, kNone, kDown, WM_KEYDOWN, vk::OemMinus, WM_CHAR, 45},
    {{'=', '='}, {"Equal", "="}, kNone, kDown, WM_KEYDOWN, vk::OemPlus, WM_CHAR, 61},
    {{ks::Return, ks::Return}, {"Enter", "Enter"},
     kNone, kDown, WM_KEYDOWN, VK_RETURN, WM_CHAR, 13},
    {{ks::KP_Enter, ks::KP_Enter}, {"NumpadEnter", "Enter"},
     kNone, kDown, WM_KEYDOWN, VK_RETURN, WM_CHAR, 13},
    {{ks::KP_Subtract, ks::KP_Subtract}, {"NumpadSubtract", "-"},
     kNone, kDown, WM_KEYDOWN, vk::Subtract, WM_CHAR, 45},
    // The keypad follows Num Lock.
    {{ks::KP_Next, ks::KP_0 + 3}, {"Numpad3", "3"},
     kNone, kDown, WM_KEYDOWN, vk::Numpad0 + 3, WM_CHAR, '3'},
    {{ks::KP_Home, ks::KP_0 + 7}, {"Numpad7", "7"},
     kNone, kDown, WM_KEYDOWN, vk::Numpad0 + 7, WM_CHAR, '7'},
    {{ks::KP_Home, ks::KP_Home}, {"Numpad7", "Home"},
     kNone, kDown, WM_KEYDOWN, VK_HOME, kNoChar, -1},
    {{ks::KP_Left, ks::KP_Left}, {"Numpad4", "ArrowLeft"},
     kNone, kDown, WM_KEYDOWN, VK_LEFT, kNoChar, -1},
    {{ks::KP_Delete, ks::KP_Delete}, {"NumpadDecimal", "Delete"},
     kNone, kDown, WM_KEYDOWN, VK_DELETE, kNoChar, -1},
    {{}, {"NumpadDecimal", ","}, kNone, kDown, WM_KEYDOWN, vk::Decimal, WM_CHAR, ','},
    {{ks::KP_Delete, ks::KP_Separator}, {}, kNone, kDown, WM_KEYDOWN, vk::Separator, WM_CHAR, ','},
    // The cursor block and the function keys type nothing.
    {{ks::Left, ks::Left}, {"ArrowLeft", "ArrowLeft"},
     kNone, kDown, WM_KEYDOWN, VK_LEFT, kNoChar, -1},
    {{ks::Up, ks::Up}, {"ArrowUp", "ArrowUp"}, kNone, kDown, WM_KEYDOWN, VK_UP, kNoChar, -1},
    {{ks::Right, ks::Right}, {"ArrowRight", "ArrowRight"},
     kNone, kDown, WM_KEYDOWN, VK_RIGHT, kNoChar, -1},
    {{ks::Down, ks::Down}, {"ArrowDown", "ArrowDown"},
     kNone, kDown, WM_KEYDOWN, VK_DOWN, kNoChar, -1},
    {{ks::Home, ks::Home}, {"Home", "Home"}, kNone, kDown, WM_KEYDOWN, VK_HOME, kNoChar, -1},
    {{ks::End, ks::End}, {"End", "End"}, kNone, kDown, WM_KEYDOWN, VK_END, kNoChar, -1},
    {{ks::Prior, ks::Prior}, {"PageUp", "PageUp"}, kNone, kDown, WM_KEYDOWN, VK_PRIOR, kNoChar, -1},
    {{ks::Next, ks::Next}, {"PageDown", "PageDown"},
     kNone, kDown, WM_KEYDOWN, VK_NEXT, kNoChar, -1},
    {{ks::Insert, ks::Insert}, {"Insert", "Insert"},
     kNone, kDown, WM_KEYDOWN, VK_INSERT, kNoChar, -1},
    // Xlib gives Delete as 127; Windows types nothing for it.
    {{ks::Delete, ks::Delete}, {"Delete", "Delete"},
     kNone, kDown, WM_KEYDOWN, VK_DELETE, kNoChar, -1},
    {{ks::F1, ks::F1}, {"F1", "F1"}, kNone, kDown, WM_KEYDOWN, VK_F1, kNoChar, -1},
    {{ks::F1 + 8, ks::F1 + 8}, {"F9", "F9"}, kNone, kDown, WM_KEYDOWN, VK_F1 + 8, kNoChar, -1},
    {{ks::F1 + 11, ks::F1 + 11}, {"F12", "F12"}, kNone, kDown, WM_KEYDOWN, VK_F1 + 11, kNoChar, -1},
    {{ks::F24, ks::F24}, {"F24", "F24"}, kNone, kDown, WM_KEYDOWN, VK_F1 + 23, kNoChar, -1},
    {{}, {"F25", "F25"}, kNone, kDown, WM_KEYDOWN, 0, kNoChar, -1},
    {{}, {"Fn", "Fn"}, kNone, kDown, WM_KEYDOWN, 0, kNoChar, -1},
    {{}, {"BracketLeft", "Dead"}, kNone, kDown, WM_KEYDOWN, vk::OemBracketLeft, kNoChar, -1},
    // Control keys type their ASCII codes; Ctrl makes control characters.
    {{ks::BackSpace, ks::BackSpace}, {"Backspace", "Backspace"},
     kNone, kDown, WM_KEYDOWN, VK_BACK, WM_CHAR, 8},
    {{ks::Tab, ks::Tab}, {"Tab", "Tab"}, kNone, kDown, WM_KEYDOWN, VK_TAB, WM_CHAR, 9},
    {{ks::Escape, ks::Escape}, {"Escape", "Escape"},
     kNone, kDown, WM_KEYDOWN, VK_ESCAPE, WM_CHAR, 27},
    {{'a', 'a'}, {"KeyA", "a"}, kCtrl, kDown, WM_KEYDOWN, 'A', WM_CHAR, 1},
    {{'z', 'Z'}, {"KeyZ", "Z"}, kCtrl, kDown, WM_KEYDOWN, 'Z', WM_CHAR, 26},
    {{'[', '['}, {"BracketLeft", "["}, kCtrl, kDown, WM_KEYDOWN, vk::OemBracketLeft, WM_CHAR, 27},
    {{'-', '-'}, {"Minus", "-"}, kCtrl, kDown, WM_KEYDOWN, vk::OemMinus, WM_CHAR, 0x1F},
    {{ks::Return, ks::Return}, {"Enter", "Enter"},
     kCtrl, kDown, WM_KEYDOWN, VK_RETURN, WM_CHAR, 10},
    {{ks::BackSpace, ks::BackSpace}, {"Backspace", "Backspace"},
     kCtrl, kDown, WM_KEYDOWN, VK_BACK, WM_CHAR, 127},
    {{'1', '1'}, {"Digit1", "1"}, kCtrl, kDown, WM_KEYDOWN, '1', kNoChar, -1},
    // The keypad types nothing with Ctrl, on either keyboard.
    {{ks::KP_Home, ks::KP_0 + 7}, {"Numpad7", "7"},
     kCtrl, kDown, WM_KEYDOWN, vk::Numpad0 + 7, kNoChar, -1},
    {{ks::KP_Subtract, ks::KP_Subtract}, {"NumpadSubtract", "-"},
     kCtrl, kDown, WM_KEYDOWN, vk::Subtract, kNoChar, -1},
    // Latin-1 only, as an 8-bit window gets it.
    {{'e', 0xE9}, {"KeyE", "\xC3\xA9"}, kNone, kDown, WM_KEYDOWN, 'E', WM_CHAR, 0xE9},
    {{'u', U(0xFC)}, {"KeyU", "\xC3\xBC"}, kNone, kDown, WM_KEYDOWN, 'U', WM_CHAR, 0xFC},
    {{'e', U(0x20AC)}, {"KeyE", "\xE2\x82\xAC"}, kNone, kDown, WM_KEYDOWN, 'E', kNoChar, -1},
    {{}, {"KeyQ", "\xD0\xB9"}, kNone, kDown, WM_KEYDOWN, 'Q', kNoChar, -1}, // Cyrillic
    {{0x6CA, 0x6CA}, {}, kNone, kDown, WM_KEYDOWN, 0, kNoChar, -1}, // Cyrillic keysym
    {{}, {"KeyE", "\xC3"}, kNone, kDown, WM_KEYDOWN, 'E', kNoChar, -1}, // cut short
    {{0xE9, 0xE9}, {"Unknown", "\xC3\xA9"}, kNone, kDown, WM_KEYDOWN, vk::OemOther, WM_CHAR, 0xE9},
    // Key-ups type nothing.
    {{'-', '-'}, {"Minus", "-"}, kNone, kUp, WM_KEYUP, vk::OemMinus, kNoChar, -1},
    // Modifiers, both sides.
    {{ks::ControlL, ks::ControlL}, {"ControlLeft", "Control"},
     kNone, kDown, WM_KEYDOWN, VK_CONTROL, kNoChar, -1},
    {{ks::ControlR, ks::ControlR}, {"ControlRight", "Control"},
     kNone, kDown, WM_KEYDOWN, VK_CONTROL, kNoChar, -1},
    {{ks::ControlR, ks::ControlR}, {"ControlRight", "Control"},
     kCtrl, kUp, WM_KEYUP, VK_CONTROL, kNoChar, -1},
    {{ks::ShiftL, ks::ShiftL}, {"ShiftLeft", "Shift"},
     kNone, kDown, WM_KEYDOWN, VK_SHIFT, kNoChar, -1},
    {{ks::SuperL, ks::SuperL}, {"MetaLeft", "Meta"},
     kNone, kDown, WM_KEYDOWN, vk::LWin, kNoChar, -1},
    // Alt without Ctrl makes system keys, and F10 does; with Ctrl they are
    // ordinary keys.
    {{ks::AltL, ks::AltL}, {"AltLeft", "Alt"}, kNone, kDown, WM_SYSKEYDOWN, VK_MENU, kNoChar, -1},
    {{ks::AltR, ks::AltR}, {"AltRight", "Alt"}, kNone, kDown, WM_SYSKEYDOWN, VK_MENU, kNoChar, -1},
    {{ks::AltL, ks::AltL}, {"AltLeft", "Alt"}, kAlt, kUp, WM_SYSKEYUP, VK_MENU, kNoChar, -1},
    {{'x', 'x'}, {"KeyX", "x"}, kAlt, kDown, WM_SYSKEYDOWN, 'X', WM_SYSCHAR, 'x'},
    {{'x', 'x'}, {"KeyX", "x"}, kAlt, kUp, WM_SYSKEYUP, 'X', kNoChar, -1},
    {{ks::F1 + 9, ks::F1 + 9}, {"F10", "F10"}, kNone, kDown, WM_SYSKEYDOWN, VK_F10, kNoChar, -1},
    {{ks::F1 + 9, ks::F1 + 9}, {"F10", "F10"}, kCtrl, kDown, WM_KEYDOWN, VK_F10, kNoChar, -1},
    {{ks::AltL, ks::AltL}, {"AltLeft", "Alt"}, kCtrl, kDown, WM_KEYDOWN, VK_MENU, kNoChar, -1},
    // Ctrl released while Alt is still down: the release is still Ctrl's own.
    {{ks::ControlL, ks::ControlL}, {"ControlLeft", "Control"},
     kCtrlAlt, kUp, WM_KEYUP, VK_CONTROL, kNoChar, -1},
    // Ctrl+Alt types nothing, as on a US keyboard; AltGr types its character.
    {{'q', 'q'}, {"KeyQ", "q"}, kCtrlAlt, kDown, WM_KEYDOWN, 'Q', kNoChar, -1},
    {{}, {"KeyQ", "@"}, kAltGr, kDown, WM_KEYDOWN, 'Q', WM_CHAR, '@'},
};
// clang-format on

std::string Describe(const Row& row, bool page) {
  return page ? std::string(row.page.code) + " '" + std::string(row.page.key) + "'"
              : "keysym " + std::to_string(row.x11.base) + "/" + std::to_string(row.x11.effective);
}

TEST(KeyTranslation, SameKeySameMessagesOnX11AndInThePage) {
  for (const Row& row : kRows) {
    for (const bool page : {false, true}) {
      if (page ? row.page.code.empty() : row.x11.base == 0) continue;
      const KeyMessages got =
          page ? FromPage(row.page, row.press, row.held) : FromX11(row.x11, row.press, row.held);
      SCOPED_TRACE(Describe(row, page) + " held " + std::to_string(row.held) +
                   (row.press ? " down" : " up"));
      EXPECT_EQ(got.key, row.message);
      EXPECT_EQ(got.virtualKey, row.virtualKey);
      EXPECT_EQ(got.charMessage, row.charMessage);
      EXPECT_EQ(got.character, row.character);
    }
  }
}

TEST(PageKeys, KeepsWhatTheProgramReadsLeavesBrowserShortcuts) {
  constexpr web::Modifiers kMeta{false, false, true, false};
  const struct {
    PageKey key;
    web::Modifiers held;
    bool press;
    bool kept;
  } cases[] = {
      {{"ArrowDown", "ArrowDown"}, {}, kDown, true},  // no scrolling
      {{"Space", " "}, {}, kDown, true},
      {{"PageDown", "PageDown"}, {}, kDown, true},
      {{"F1", "F1"}, {}, kDown, true},    // no help page
      {{"F3", "F3"}, {}, kDown, true},    // no find
      {{"Slash", "/"}, {}, kDown, true},  // no quick find
      {{"Minus", "-"}, {}, kDown, true},
      {{"KeyQ", "@"}, PageHeld(kAltGr), kDown, true},
      {{"AltLeft", "Alt"}, PageHeld(kAlt), kDown, true},  // no menu bar
      {{"ArrowUp", "ArrowUp"}, {}, kUp, true},
      {{"F5", "F5"}, {}, kDown, false},  // reload
      {{"F5", "F5"}, PageHeld(kCtrl), kDown, false},
      {{"F3", "F3"}, PageHeld(kCtrl), kDown, false},
      {{"F1", "F1"}, kMeta, kDown, false},
      {{"KeyR", "R"}, PageHeld(kCtrl), kDown, false},
      {{"KeyD", "d"}, PageHeld(kAlt), kDown, false},
      {{"Tab", "Tab"}, {}, kDown, false},  // the focus moves on
      {{"F11", "F11"}, {}, kDown, false},
      {{"F12", "F12"}, {}, kDown, false},
      {{"KeyT", "t"}, PageHeld(kCtrl), kDown, false},
      {{"Minus", "-"}, PageHeld(kCtrl), kDown, false},  // the browser's zoom
      {{"ArrowLeft", "ArrowLeft"}, kMeta, kDown, false},
      {{"ShiftLeft", "Shift"}, {}, kDown, false},
  };
  for (const auto& c : cases) {
    const KeyMessages messages = web::TranslatePageKey(c.key.code, c.key.key, c.press, c.held);
    EXPECT_EQ(web::PageKeepsKey(messages, c.held), c.kept) << c.key.code;
  }
}

// From key events to what ReadKey returns, through the keyboard module as
// the window procedure routes the messages to it, from either source.
struct Step {
  X11Key x11;
  PageKey page;
  Held held;
  bool press;
};

using Steps = std::vector<Step>;

Steps Tap(X11Key x11, PageKey page) { return {{x11, page, kNone, kDown}, {x11, page, kNone, kUp}}; }

Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr X11Key kF2{ks::F1 + 1, ks::F1 + 1};
constexpr PageKey kPageF2{"F2", "F2"};
constexpr X11Key kAltKey{ks::AltL, ks::AltL};
constexpr PageKey kPageAlt{"AltLeft", "Alt"};
constexpr X11Key kCtrlKey{ks::ControlL, ks::ControlL};
constexpr PageKey kPageCtrl{"ControlLeft", "Control"};

class KeysThroughKeyboardModule : public Keyboard {
 protected:
  static void Deliver(const KeyMessages& messages) {
    // Only these reach the character hook; system keys take the default way.
    if (messages.key == WM_KEYDOWN) KeyDown(messages.virtualKey);
    if (messages.key == WM_KEYUP) KeyUp(messages.virtualKey);
    if (messages.charMessage == WM_CHAR) Char(static_cast<WPARAM>(messages.character));
  }
};

TEST_F(KeysThroughKeyboardModule, ReadKeyGetsTheSameCharactersFromEither) {
  const struct {
    const char* what;
    Steps steps;
    std::string typed;
  } cases[] = {
      {"zoom keys and Enter",
       Tap({'-', '-'}, {"Minus", "-"}) +
           Tap({ks::KP_Subtract, ks::KP_Subtract}, {"NumpadSubtract", "-"}) +
           Tap({'=', '='}, {"Equal", "="}) + Tap({ks::Return, ks::Return}, {"Enter", "Enter"}) +
           Tap({ks::KP_Enter, ks::KP_Enter}, {"NumpadEnter", "Enter"}),
       "--=\r\r"},
      {"extended keys as #0 and a scan code",
       Tap({ks::Left, ks::Left}, {"ArrowLeft", "ArrowLeft"}) +
           Tap({ks::Up, ks::Up}, {"ArrowUp", "ArrowUp"}) +
           Tap({ks::KP_Home, ks::KP_Home}, {"Numpad7", "Home"}) +
           Tap({ks::F1 + 2, ks::F1 + 2}, {"F3", "F3"}) +
           Tap({ks::Delete, ks::Delete}, {"Delete", "Delete"}),
       std::string({'\0', 75, '\0', 72, '\0', 71, '\0', 61, '\0', 83})},
      {"Ctrl+F2, then Alt alone is never heard",
       Steps{{kCtrlKey, kPageCtrl, kNone, kDown}} + Tap(kF2, kPageF2) +
           Steps{{kCtrlKey, kPageCtrl, kCtrl, kUp},
                 {kAltKey, kPageAlt, kNone, kDown},
                 {{'x', 'x'}, {"KeyX", "x"}, kAlt, kDown},
                 {{'x', 'x'}, {"KeyX", "x"}, kAlt, kUp},
                 {kF2, kPageF2, kAlt, kDown},
                 {kF2, kPageF2, kAlt, kUp},
                 {kAltKey, kPageAlt, kAlt, kUp}} +
           Tap({ks::F1 + 9, ks::F1 + 9}, {"F10", "F10"}) + Tap(kF2, kPageF2),
       std::string({'\0', 95, '\0', 60})},
      // Alt pressed with Ctrl is an ordinary key-down; released after Ctrl it
      // comes up as a system key, unheard, and Alt still counts as held.
      {"Alt held since Ctrl",
       Steps{{kCtrlKey, kPageCtrl, kNone, kDown}} + Tap(kF2, kPageF2) +
           Steps{{kAltKey, kPageAlt, kCtrl, kDown},
                 {kCtrlKey, kPageCtrl, kCtrlAlt, kUp},
                 {kAltKey, kPageAlt, kAlt, kUp}} +
           Tap(kF2, kPageF2),
       std::string({'\0', 95, '\0', 105})},
  };
  for (const auto& c : cases) {
    for (const bool page : {false, true}) {
      SetUp();
      for (const Step& step : c.steps) {
        Deliver(page ? FromPage(step.page, step.press, step.held)
                     : FromX11(step.x11, step.press, step.held));
      }
      EXPECT_EQ(Drain(), c.typed) << c.what << (page ? " (page)" : " (X11)");
    }
  }
}

}  // namespace
