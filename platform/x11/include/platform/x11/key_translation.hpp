// X11 key events as the Windows key messages the same key would send: the
// virtual-key code, whether it is a system key (Alt held without Ctrl, F10),
// and the character TranslateMessage would produce. Pure functions over key
// symbols, so they need no display and no Xlib headers.
#pragma once

#include <cstdint>

#include "platform/messages.hpp"
#include "platform/virtual_keys.hpp"

namespace platform::x11 {

// Key symbol values of the X protocol (keysymdef.h), spelt out here so that
// this header does not pull in Xlib.
namespace keysym {
inline constexpr std::uint32_t BackSpace = 0xff08;
inline constexpr std::uint32_t Tab = 0xff09;
inline constexpr std::uint32_t Clear = 0xff0b;
inline constexpr std::uint32_t Return = 0xff0d;
inline constexpr std::uint32_t Pause = 0xff13;
inline constexpr std::uint32_t ScrollLock = 0xff14;
inline constexpr std::uint32_t Escape = 0xff1b;
inline constexpr std::uint32_t Home = 0xff50;
inline constexpr std::uint32_t Left = 0xff51;
inline constexpr std::uint32_t Up = 0xff52;
inline constexpr std::uint32_t Right = 0xff53;
inline constexpr std::uint32_t Down = 0xff54;
inline constexpr std::uint32_t Prior = 0xff55;
inline constexpr std::uint32_t Next = 0xff56;
inline constexpr std::uint32_t End = 0xff57;
inline constexpr std::uint32_t Print = 0xff61;
inline constexpr std::uint32_t Insert = 0xff63;
inline constexpr std::uint32_t Menu = 0xff67;
inline constexpr std::uint32_t NumLock = 0xff7f;
inline constexpr std::uint32_t KP_Space = 0xff80;
inline constexpr std::uint32_t KP_Tab = 0xff89;
inline constexpr std::uint32_t KP_Enter = 0xff8d;
inline constexpr std::uint32_t KP_Home = 0xff95;
inline constexpr std::uint32_t KP_Left = 0xff96;
inline constexpr std::uint32_t KP_Up = 0xff97;
inline constexpr std::uint32_t KP_Right = 0xff98;
inline constexpr std::uint32_t KP_Down = 0xff99;
inline constexpr std::uint32_t KP_Prior = 0xff9a;
inline constexpr std::uint32_t KP_Next = 0xff9b;
inline constexpr std::uint32_t KP_End = 0xff9c;
inline constexpr std::uint32_t KP_Begin = 0xff9d;
inline constexpr std::uint32_t KP_Insert = 0xff9e;
inline constexpr std::uint32_t KP_Delete = 0xff9f;
inline constexpr std::uint32_t KP_Multiply = 0xffaa;
inline constexpr std::uint32_t KP_Add = 0xffab;
inline constexpr std::uint32_t KP_Separator = 0xffac;
inline constexpr std::uint32_t KP_Subtract = 0xffad;
inline constexpr std::uint32_t KP_Decimal = 0xffae;
inline constexpr std::uint32_t KP_Divide = 0xffaf;
inline constexpr std::uint32_t KP_0 = 0xffb0;
inline constexpr std::uint32_t KP_9 = 0xffb9;
inline constexpr std::uint32_t KP_Equal = 0xffbd;
inline constexpr std::uint32_t F1 = 0xffbe;
inline constexpr std::uint32_t F24 = 0xffd5;
inline constexpr std::uint32_t ShiftL = 0xffe1;
inline constexpr std::uint32_t ShiftR = 0xffe2;
inline constexpr std::uint32_t ControlL = 0xffe3;
inline constexpr std::uint32_t ControlR = 0xffe4;
inline constexpr std::uint32_t CapsLock = 0xffe5;
inline constexpr std::uint32_t MetaL = 0xffe7;
inline constexpr std::uint32_t MetaR = 0xffe8;
inline constexpr std::uint32_t AltL = 0xffe9;
inline constexpr std::uint32_t AltR = 0xffea;
inline constexpr std::uint32_t SuperL = 0xffeb;
inline constexpr std::uint32_t SuperR = 0xffec;
inline constexpr std::uint32_t ISO_Left_Tab = 0xfe20;
inline constexpr std::uint32_t Delete = 0xffff;
// Keysyms 0x01000000 + U carry Unicode code point U directly.
inline constexpr std::uint32_t UnicodeBase = 0x01000000;
}  // namespace keysym

// The virtual-key code of a key. base is the key's unshifted symbol (group
// 1, level 1); effective is the symbol with Shift, Caps Lock and Num Lock
// applied. The keypad is named by its effective symbol, because Num Lock
// decides whether a keypad key is a digit or a cursor key; every other key
// by its base symbol, because Shift does not change the virtual key. 0 for
// keys Windows has no code for.
constexpr WPARAM VirtualKeyOf(std::uint32_t base, std::uint32_t effective) {
  using namespace keysym;
  const std::uint32_t s = (effective >= KP_Space && effective <= KP_Equal) ? effective : base;
  if (s >= 'a' && s <= 'z') return s - 'a' + 'A';
  if ((s >= 'A' && s <= 'Z') || (s >= '0' && s <= '9')) return s;
  if (s >= KP_0 && s <= KP_9) return vk::Numpad0 + (s - KP_0);
  if (s >= F1 && s <= F24) return VK_F1 + (s - F1);
  switch (s) {
    case ' ':
      return VK_SPACE;
    case ';':
      return vk::OemSemicolon;
    case '=':
      return vk::OemPlus;
    case ',':
      return vk::OemComma;
    case '-':
      return vk::OemMinus;
    case '.':
      return vk::OemPeriod;
    case '/':
      return vk::OemSlash;
    case '`':
      return vk::OemGrave;
    case '[':
      return vk::OemBracketLeft;
    case '\\':
      return vk::OemBackslash;
    case ']':
      return vk::OemBracketRight;
    case '\'':
      return vk::OemQuote;
    case BackSpace:
      return VK_BACK;
    case Tab:
    case ISO_Left_Tab:
    case KP_Tab:
      return VK_TAB;
    case Clear:
    case KP_Begin:
      return vk::Clear;
    case Return:
    case KP_Enter:
      return VK_RETURN;
    case Pause:
      return vk::Pause;
    case ScrollLock:
      return vk::Scroll;
    case Escape:
      return VK_ESCAPE;
    case Home:
    case KP_Home:
      return VK_HOME;
    case Left:
    case KP_Left:
      return VK_LEFT;
    case Up:
    case KP_Up:
      return VK_UP;
    case Right:
    case KP_Right:
      return VK_RIGHT;
    case Down:
    case KP_Down:
      return VK_DOWN;
    case Prior:
    case KP_Prior:
      return VK_PRIOR;
    case Next:
    case KP_Next:
      return VK_NEXT;
    case End:
    case KP_End:
      return VK_END;
    case Print:
      return vk::Snapshot;
    case Insert:
    case KP_Insert:
      return VK_INSERT;
    case Delete:
    case KP_Delete:
      return VK_DELETE;
    case Menu:
      return vk::Apps;
    case NumLock:
      return vk::NumLock;
    case KP_Space:
      return VK_SPACE;
    case KP_Multiply:
      return vk::Multiply;
    case KP_Add:
      return vk::Add;
    case KP_Separator:
      return vk::Separator;
    case KP_Subtract:
      return vk::Subtract;
    case KP_Decimal:
      return vk::Decimal;
    case KP_Divide:
      return vk::Divide;
    case KP_Equal:
      return vk::OemPlus;
    case ShiftL:
    case ShiftR:
      return VK_SHIFT;
    case ControlL:
    case ControlR:
      return VK_CONTROL;
    case AltL:
    case AltR:
    case MetaL:
    case MetaR:
      return VK_MENU;
    case CapsLock:
      return vk::Capital;
    case SuperL:
      return vk::LWin;
    case SuperR:
      return vk::RWin;
    default:
      break;
  }
  // Letters and signs of other layouts still type their character.
  if ((s >= 0xA0 && s <= 0xFF) || (s >= '!' && s < 0x7F)) return vk::OemOther;
  return 0;
}

// The character a key types, or -1 when it types none: Latin-1 only, as an
// 8-bit window gets it. effective is the symbol with Shift, Caps Lock and
// Num Lock applied; ctrl tells whether Ctrl is held (and Alt is not, since
// Ctrl+Alt is AltGr on Windows and types nothing on a US keyboard).
constexpr int CharacterOf(std::uint32_t effective, bool ctrl) {
  using namespace keysym;
  switch (effective) {
    case Return:
    case KP_Enter:
      return ctrl ? 10 : 13;
    case BackSpace:
      return ctrl ? 127 : 8;
    case Tab:
    case ISO_Left_Tab:
    case KP_Tab:
      return ctrl ? -1 : 9;
    case Escape:
      return 27;
    case KP_Space:
      return ctrl ? -1 : ' ';
    case KP_Multiply:
      return ctrl ? -1 : '*';
    case KP_Add:
      return ctrl ? -1 : '+';
    case KP_Subtract:
      return ctrl ? -1 : '-';
    case KP_Decimal:
      return ctrl ? -1 : '.';
    case KP_Divide:
      return ctrl ? -1 : '/';
    case KP_Equal:
      return ctrl ? -1 : '=';
    default:
      break;
  }
  if (effective >= KP_0 && effective <= KP_9)
    return ctrl ? -1 : static_cast<int>('0' + effective - KP_0);
  std::uint32_t c = effective;
  if (c >= UnicodeBase) c -= UnicodeBase;
  const bool latin1 = (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF);
  if (!latin1) return -1;
  if (!ctrl) return static_cast<int>(c);
  // Ctrl turns letters and a few signs into control characters.
  if ((c >= 'a' && c <= 'z') || (c >= '@' && c <= '_')) return static_cast<int>(c & 0x1F);
  if (c == '-') return 0x1F;
  if (c == ' ') return ' ';
  return -1;
}

// One key event as Windows delivers it.
struct KeyMessages {
  UINT key = 0;  // WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP
  WPARAM virtualKey = 0;
  UINT charMessage = 0;  // WM_CHAR or WM_SYSCHAR; 0 when the key types nothing
  int character = -1;
};

// ctrlHeld and altHeld: the modifier state when the key changed (the key
// itself is added here, as it is for the event's own key on Windows).
constexpr KeyMessages TranslateKey(std::uint32_t base, std::uint32_t effective, bool press,
                                   bool ctrlHeld, bool altHeld) {
  KeyMessages out;
  out.virtualKey = VirtualKeyOf(base, effective);
  const bool ctrl = ctrlHeld || out.virtualKey == VK_CONTROL;
  const bool alt = altHeld || out.virtualKey == VK_MENU;
  // Alt without Ctrl makes a system key; so does F10, the menu key.
  const bool system = !ctrl && (alt || out.virtualKey == VK_F10);
  if (press) {
    out.key = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
    if (!(ctrl && alt)) {
      out.character = CharacterOf(effective, ctrl);
      if (out.character >= 0) out.charMessage = system ? WM_SYSCHAR : WM_CHAR;
    }
  } else {
    out.key = system ? WM_SYSKEYUP : WM_KEYUP;
  }
  return out;
}

}  // namespace platform::x11
