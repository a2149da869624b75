// The page's key events as the shared key translation takes them: the
// event's `code` (the key's place) and `key` (what it types, or its name)
// become a key symbol and a text; and whether the page keeps the key from
// the browser. Pure functions, so that they build and are tested natively.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/keys/key_symbols.hpp"
#include "platform/keys/key_translation.hpp"
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

// The cursor-block keys by their names, as `code` and `key` give them; 0
// for others.
constexpr std::uint32_t NavigationSymbol(std::string_view name) {
  namespace s = keys::symbol;
  if (name == "ArrowLeft") return s::Left;
  if (name == "ArrowUp") return s::Up;
  if (name == "ArrowRight") return s::Right;
  if (name == "ArrowDown") return s::Down;
  if (name == "Home") return s::Home;
  if (name == "End") return s::End;
  if (name == "PageUp") return s::Prior;
  if (name == "PageDown") return s::Next;
  if (name == "Insert") return s::Insert;
  if (name == "Delete") return s::Delete;
  if (name == "Clear") return s::Clear;
  return 0;
}

// The keypad: Num Lock decides whether a key is a digit or a cursor key,
// and `key` tells which it was.
constexpr std::uint32_t KeypadSymbol(std::string_view code, std::string_view key) {
  namespace s = keys::symbol;
  const std::int32_t c = SingleCharacter(key);
  if (c >= '0' && c <= '9' && code.size() == 7)
    return s::KP_0 + static_cast<std::uint32_t>(c - '0');
  if (const std::uint32_t nav = NavigationSymbol(key)) return nav;
  constexpr struct {
    std::string_view code;
    std::uint32_t symbol;
  } kKeypad[] = {
      {"NumpadEnter", s::KP_Enter},       {"NumpadAdd", s::KP_Add},
      {"NumpadSubtract", s::KP_Subtract}, {"NumpadMultiply", s::KP_Multiply},
      {"NumpadDivide", s::KP_Divide},     {"NumpadDecimal", s::KP_Decimal},
      {"NumpadComma", s::KP_Separator},   {"NumpadEqual", s::KP_Equal},
  };
  for (const auto& entry : kKeypad) {
    if (entry.code == code) return entry.symbol;
  }
  return 0;
}

// The symbol that names a key. Letters follow the layout (`key`), as
// Windows names them by the character the key types unshifted; every other
// key its place (`code`), since Shift does not change which key it is.
constexpr std::uint32_t PageKeySymbol(std::string_view code, std::string_view key) {
  namespace s = keys::symbol;
  if (StartsWith(code, "Numpad")) return KeypadSymbol(code, key);
  const std::int32_t c = SingleCharacter(key);
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return static_cast<std::uint32_t>(c | 0x20);
  if (code.size() == 4 && StartsWith(code, "Key") && code[3] >= 'A' && code[3] <= 'Z') {
    return static_cast<std::uint32_t>(code[3] | 0x20);
  }
  if (code.size() == 6 && StartsWith(code, "Digit") && code[5] >= '0' && code[5] <= '9') {
    return static_cast<std::uint32_t>(code[5]);
  }
  if (code.size() >= 2 && code[0] == 'F' && code[1] >= '1' && code[1] <= '9') {
    std::uint32_t n = 0;
    for (const char d : code.substr(1)) {
      if (d < '0' || d > '9') return 0;
      n = n * 10 + static_cast<std::uint32_t>(d - '0');
    }
    return n >= 1 && n <= 24 ? s::F1 + (n - 1) : 0;
  }
  if (const std::uint32_t nav = NavigationSymbol(code)) return nav;
  constexpr struct {
    std::string_view code;
    std::uint32_t symbol;
  } kByPlace[] = {
      {"Space", ' '},
      {"Enter", s::Return},
      {"Tab", s::Tab},
      {"Backspace", s::BackSpace},
      {"Escape", s::Escape},
      {"Minus", '-'},
      {"Equal", '='},
      {"BracketLeft", '['},
      {"BracketRight", ']'},
      {"Backslash", '\\'},
      {"Semicolon", ';'},
      {"Quote", '\''},
      {"Backquote", '`'},
      {"Comma", ','},
      {"Period", '.'},
      {"Slash", '/'},
      {"IntlBackslash", '<'},
      {"ShiftLeft", s::ShiftL},
      {"ShiftRight", s::ShiftR},
      {"ControlLeft", s::ControlL},
      {"ControlRight", s::ControlR},
      {"AltLeft", s::AltL},
      {"AltRight", s::AltR},
      {"MetaLeft", s::SuperL},
      {"MetaRight", s::SuperR},
      {"OSLeft", s::SuperL},
      {"OSRight", s::SuperR},
      {"ContextMenu", s::Menu},
      {"CapsLock", s::CapsLock},
      {"NumLock", s::NumLock},
      {"ScrollLock", s::ScrollLock},
      {"Pause", s::Pause},
      {"PrintScreen", s::Print},
  };
  for (const auto& entry : kByPlace) {
    if (entry.code == code) return entry.symbol;
  }
  // A key without a known place still types its character: Latin-1
  // symbols are their characters.
  if ((c >= '!' && c < 0x7F) || (c >= 0xA0 && c <= 0xFF)) return static_cast<std::uint32_t>(c);
  return 0;
}

// What `key` types: one character, or the control character of a named key.
constexpr std::int32_t PageKeyText(std::string_view key) {
  if (key == "Enter") return 13;
  if (key == "Backspace") return 8;
  if (key == "Tab") return 9;
  if (key == "Escape") return 27;
  return SingleCharacter(key);
}

// The modifiers of a key event, as the page reports them.
struct Modifiers {
  bool ctrl = false;
  bool alt = false;
  bool meta = false;
  bool altGraph = false;  // AltGr typed the character (Ctrl and Alt may be set with it)
};

inline keys::KeyMessages TranslatePageKey(std::string_view code, std::string_view key, bool press,
                                          Modifiers held) {
  return keys::TranslateKey(
      {PageKeySymbol(code, key), PageKeyText(key), press, {held.ctrl, held.alt, held.altGraph}});
}

// Whether the page keeps a key from the browser (no scrolling, no find, no
// help page): the keys the program reads. Combinations with Ctrl, Alt or
// Meta stay the browser's shortcuts (AltGr typing a character is none), and
// so do Tab (the focus moves on), F5 (reload), F11 and F12.
constexpr bool PageKeepsKey(const keys::KeyMessages& messages, Modifiers held) {
  const WPARAM v = messages.virtualKey;
  // Alt alone would open a menu bar.
  if (v == VK_MENU) return !held.ctrl && !held.meta;
  if (!held.altGraph && (held.ctrl || held.alt || held.meta)) return false;
  if (v == VK_F1 + 4) return false;  // F5
  if (v >= VK_F1 && v <= VK_F10) return true;
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
    case VK_BACK:
    case VK_RETURN:
    case VK_ESCAPE:
      return true;
    default:
      break;
  }
  const bool types =
      messages.character >= 0x20 || messages.key == WM_KEYUP || messages.key == WM_SYSKEYUP;
  return types && v != VK_CONTROL && v != VK_SHIFT && v != VK_TAB && v != 0;
}

}  // namespace platform::web
