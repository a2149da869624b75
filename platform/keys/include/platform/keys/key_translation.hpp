// A key event of any window system but Win32, as the key messages Windows
// sends for the same key: the virtual-key code, whether it is a system key
// (Alt held without Ctrl, F10), and the character TranslateMessage would
// produce. A backend names the key by its key symbol and says what text it
// types; everything after that is the same for every backend.
#pragma once

#include <cstdint>

#include "platform/messages.hpp"

namespace platform::keys {

struct Modifiers {
  bool ctrl = false;
  bool alt = false;
  bool altGraph = false;  // AltGr typed the text (Ctrl and Alt may be reported with it)
};

struct KeyEvent {
  // Names the key: its unshifted symbol, except on the keypad, where Num
  // Lock decides whether a key is a digit or a cursor key.
  std::uint32_t symbol = 0;
  // The code point it types with Shift and the layout applied (13, 8, 9 and
  // 27 for Enter, Backspace, Tab and Escape); -1 when it types none.
  std::int32_t text = -1;
  bool press = false;
  Modifiers held;  // when the key changed, the key itself not counted
};

// One key event as Windows delivers it.
struct KeyMessages {
  UINT key = 0;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
  WPARAM virtualKey = 0;
  UINT charMessage = 0;  // WM_CHAR or WM_SYSCHAR; 0 when the key types nothing
  int character = -1;
};

KeyMessages TranslateKey(const KeyEvent& event);

// For backends that have a key's symbols (X11, xkbcommon): base is the
// unshifted symbol, effective the one with Shift, Caps Lock and Num Lock
// applied.
std::uint32_t NamingSymbol(std::uint32_t base, std::uint32_t effective);
// What a symbol types, in the sense of KeyEvent::text.
std::int32_t TextOfSymbol(std::uint32_t effective);

}  // namespace platform::keys
