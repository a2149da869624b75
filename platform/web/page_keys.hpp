// The page's key events as the Windows key messages the same key would send:
// the virtual-key code, whether it is a system key (Alt held without Ctrl,
// F10), the character TranslateMessage would produce, and whether the page
// keeps the key from the browser. Pure functions over the event's `code`
// (the physical key) and `key` (what it types, or its name), so that they
// build and are tested natively.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/messages.hpp"
#include "platform/virtual_keys.hpp"

namespace platform::web {

// The first code point of UTF-8 text and whether it is all of the text;
// -1 for empty or malformed text.
struct CodePoint {
  std::int32_t value = -1;
  bool whole = false;
};

constexpr CodePoint FirstCodePoint(std::string_view text) {
  if (text.empty()) return {};
  const auto b0 = static_cast<unsigned char>(text[0]);
  int length = 0;
  std::int32_t value = 0;
  if (b0 < 0x80) {
    length = 1;
    value = b0;
  } else if ((b0 & 0xE0) == 0xC0) {
    length = 2;
    value = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3;
    value = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4;
    value = b0 & 0x07;
  } else {
    return {};
  }
  if (static_cast<int>(text.size()) < length) return {};
  for (int i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    if ((b & 0xC0) != 0x80) return {};
    value = (value << 6) | (b & 0x3F);
  }
  return {value, static_cast<int>(text.size()) == length};
}

// What key names when it is one character: that character, else -1.
constexpr std::int32_t SingleCharacter(std::string_view key) {
  const CodePoint c = FirstCodePoint(key);
  return c.whole ? c.value : -1;
}

constexpr bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The cursor-block keys by their names, as `key` gives them; 0 for others.
constexpr WPARAM NavigationKey(std::string_view name) {
  if (name == "ArrowLeft") return VK_LEFT;
  if (name == "ArrowUp") return VK_UP;
  if (name == "ArrowRight") return VK_RIGHT;
  if (name == "ArrowDown") return VK_DOWN;
  if (name == "Home") return VK_HOME;
  if (name == "End") return VK_END;
  if (name == "PageUp") return VK_PRIOR;
  if (name == "PageDown") return VK_NEXT;
  if (name == "Insert") return VK_INSERT;
  if (name == "Delete") return VK_DELETE;
  if (name == "Clear") return vk::Clear;
  return 0;
}

// The keypad: Num Lock decides whether a key is a digit or a cursor key,
// and `key` tells which it was.
constexpr WPARAM KeypadKey(std::string_view code, std::string_view key) {
  const std::int32_t c = SingleCharacter(key);
  if (c >= '0' && c <= '9' && code.size() == 7) return vk::Numpad0 + static_cast<WPARAM>(c - '0');
  if (const WPARAM nav = NavigationKey(key)) return nav;
  if (code == "NumpadEnter") return VK_RETURN;
  if (code == "NumpadAdd") return vk::Add;
  if (code == "NumpadSubtract") return vk::Subtract;
  if (code == "NumpadMultiply") return vk::Multiply;
  if (code == "NumpadDivide") return vk::Divide;
  if (code == "NumpadDecimal") return vk::Decimal;
  if (code == "NumpadComma") return vk::Separator;
  if (code == "NumpadEqual") return vk::OemPlus;
  return 0;
}

// The virtual-key code of a key. Letters follow the layout (`key`), as
// Windows names them by the character the key types unshifted; every other
// key by its place (`code`), since Shift does not change the virtual key. 0
// for keys Windows has no code for.
constexpr WPARAM VirtualKeyOf(std::string_view code, std::string_view key) {
  if (StartsWith(code, "Numpad")) return KeypadKey(code, key);
  const std::int32_t c = SingleCharacter(key);
  if (c >= 'a' && c <= 'z') return static_cast<WPARAM>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return static_cast<WPARAM>(c);
  if (code.size() == 4 && StartsWith(code, "Key") && code[3] >= 'A' && code[3] <= 'Z') {
    return static_cast<WPARAM>(code[3]);
  }
  if (code.size() == 6 && StartsWith(code, "Digit") && code[5] >= '0' && code[5] <= '9') {
    return static_cast<WPARAM>(code[5]);
  }
  if (code.size() >= 2 && code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
    int n = 0;
    for (const char d : code.substr(1)) {
      if (d < '0' || d > '9') return 0;
      n = n * 10 + (d - '0');
    }
    return n >= 1 && n <= 24 ? VK_F1 + static_cast<WPARAM>(n - 1) : 0;
  }
  if (const WPARAM nav = NavigationKey(code)) return nav;
  constexpr struct {
    std::string_view code;
    WPARAM key;
  } kByPlace[] = {
      {"Space", VK_SPACE},
      {"Enter", VK_RETURN},
      {"Tab", VK_TAB},
      {"Backspace", VK_BACK},
      {"Escape", VK_ESCAPE},
      {"Minus", vk::OemMinus},
      {"Equal", vk::OemPlus},
      {"BracketLeft", vk::OemBracketLeft},
      {"BracketRight", vk::OemBracketRight},
      {"Backslash", vk::OemBackslash},
      {"Semicolon", vk::OemSemicolon},
      {"Quote", vk::OemQuote},
      {"Backquote", vk::OemGrave},
      {"Comma", vk::OemComma},
      {"Period", vk::OemPeriod},
      {"Slash", vk::OemSlash},
      {"IntlBackslash", vk::Oem102},
      {"ShiftLeft", VK_SHIFT},
      {"ShiftRight", VK_SHIFT},
      {"ControlLeft", VK_CONTROL},
      {"ControlRight", VK_CONTROL},
      {"AltLeft", VK_MENU},
      {"AltRight", VK_MENU},
      {"MetaLeft", vk::LWin},
      {"MetaRight", vk::RWin},
      {"OSLeft", vk::LWin},
      {"OSRight", vk::RWin},
      {"ContextMenu", vk::Apps},
      {"CapsLock", vk::Capital},
      {"NumLock", vk::NumLock},
      {"ScrollLock", vk::Scroll},
      {"Pause", vk::Pause},
      {"PrintScreen", vk::Snapshot},
  };
  for (const auto& entry : kByPlace) {
    if (entry.code == code) return entry.key;
  }
  // A key without a known place still types its character.
  if ((c >= '!' && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) return vk::OemOther;
  return 0;
}

// The character a key types, or -1 when it types none: Latin-1 only, as an
// 8-bit window gets it. key is the event's `key`, with Shift and the layout
// applied; ctrl tells whether Ctrl is held (and Alt is not, since Ctrl+Alt
// types nothing on a US keyboard); keypad whether the key is on the keypad.
constexpr int CharacterOf(std::string_view key, bool ctrl, bool keypad) {
  if (key == "Enter") return ctrl ? 10 : 13;
  if (key == "Backspace") return ctrl ? 127 : 8;
  if (key == "Tab") return ctrl ? -1 : 9;
  if (key == "Escape") return 27;
  const std::int32_t c = SingleCharacter(key);
  const bool latin1 = (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF);
  if (!latin1) return -1;
  if (!ctrl) return c;
  if (keypad) return -1;
  // Ctrl turns letters and a few signs into control characters.
  if ((c >= 'a' && c <= 'z') || (c >= '@' && c <= '_')) return c & 0x1F;
  if (c == '-') return 0x1F;
  if (c == ' ') return ' ';
  return -1;
}

// The modifiers of a key event, as the page reports them.
struct Modifiers {
  bool ctrl = false;
  bool alt = false;
  bool meta = false;
  bool altGraph = false;  // AltGr typed the character (Ctrl and Alt may be set with it)
};

// One key event as Windows delivers it.
struct KeyMessages {
  UINT key = 0;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
  WPARAM virtualKey = 0;
  UINT charMessage = 0;  // WM_CHAR or WM_SYSCHAR; 0 when the key types nothing
  int character = -1;
};

constexpr KeyMessages TranslateKey(std::string_view code, std::string_view key, bool press,
                                   Modifiers held) {
  KeyMessages out;
  out.virtualKey = VirtualKeyOf(code, key);
  // The event's own key counts as held, as it does on Windows.
  const bool ctrl = held.ctrl || out.virtualKey == VK_CONTROL;
  const bool alt = held.alt || out.virtualKey == VK_MENU;
  // Alt without Ctrl makes a system key; so does F10, the menu key.
  const bool system = !ctrl && (alt || out.virtualKey == VK_F10);
  if (press) {
    out.key = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    if (held.altGraph) {
      out.character = CharacterOf(key, false, false);
    } else if (!(ctrl && alt)) {
      out.character = CharacterOf(key, ctrl, StartsWith(code, "Numpad"));
    }
    if (out.character >= 0) out.charMessage = system ? WM_SYSCHAR : WM_CHAR;
  } else {
    out.key = system ? WM_SYSKEYUP : WM_KEYUP;
  }
  return out;
}

// Whether the page keeps a key from the browser (no scrolling, no find, no
// help page): the keys the program reads. Browser shortcuts with Ctrl or
// the system key stay the browser's, and so do F11 and F12.
constexpr bool PageKeepsKey(const KeyMessages& keys, Modifiers held) {
  const WPARAM v = keys.virtualKey;
  if (v >= VK_F1 && v <= VK_F10) return true;
  if (held.meta) return false;
  switch (v) {
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_SPACE:
    case VK_TAB:
    case VK_BACK:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_MENU:
      return !held.ctrl || held.altGraph;
    default:
      break;
  }
  // A typed character: Ctrl combinations stay the browser's, AltGr ones not.
  const bool types = keys.character >= 0x20 || keys.key == WM_KEYUP || keys.key == WM_SYSKEYUP;
  return types && v != VK_CONTROL && v != VK_SHIFT && (!held.ctrl || held.altGraph) &&
         keys.virtualKey != 0;
}

}  // namespace platform::web
