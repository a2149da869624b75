#include "platform/keys/key_translation.hpp"

#include "platform/keys/key_symbols.hpp"
#include "platform/virtual_keys.hpp"

namespace platform::keys {

namespace {

using namespace symbol;

constexpr bool OnKeypad(std::uint32_t s) { return s >= KP_Space && s <= KP_Equal; }

constexpr bool Latin1(std::int32_t c) {
  return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF);
}

// The virtual-key code of the key a symbol names; 0 for keys Windows has
// no code for.
WPARAM VirtualKeyOf(std::uint32_t s) {
  if (s >= 'a' && s <= 'z') return s - 'a' + 'A';
  if ((s >= 'A' && s <= 'Z') || (s >= '0' && s <= '9')) return s;
  if (s >= KP_0 && s <= KP_9) return vk::Numpad0 + (s - KP_0);
  if (s >= F1 && s <= F24) return VK_F1 + (s - F1);
  switch (s) {
    case ' ':
    case KP_Space:
      return VK_SPACE;
    case ';':
      return vk::OemSemicolon;
    case '=':
    case KP_Equal:
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
    case '<':  // unshifted only on the key beside left Shift
      return vk::Oem102;
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
  return Latin1(static_cast<std::int32_t>(s)) ? vk::OemOther : 0;
}

// The character typed, or -1: Latin-1 only, as an 8-bit window gets it.
// ctrl: Ctrl is held and Alt is not (Ctrl+Alt types nothing on a US
// keyboard); keypad: the key is on the keypad, whose keys type nothing
// with Ctrl.
int CharacterOf(std::int32_t text, bool ctrl, bool keypad) {
  switch (text) {
    case 13:
      return ctrl ? 10 : 13;
    case 8:
      return ctrl ? 127 : 8;
    case 9:
      return ctrl ? -1 : 9;
    case 27:
      return 27;
    default:
      break;
  }
  if (!Latin1(text)) return -1;
  if (!ctrl) return text;
  if (keypad) return -1;
  // Ctrl turns letters and a few signs into control characters.
  if ((text >= 'a' && text <= 'z') || (text >= '@' && text <= '_')) return text & 0x1F;
  if (text == '-') return 0x1F;
  if (text == ' ') return ' ';
  return -1;
}

}  // namespace

KeyMessages TranslateKey(const KeyEvent& event) {
  KeyMessages out;
  out.virtualKey = VirtualKeyOf(event.symbol);
  // The event's own key counts as held, as it does on Windows.
  const bool ctrl = event.held.ctrl || out.virtualKey == VK_CONTROL;
  const bool alt = event.held.alt || out.virtualKey == VK_MENU;
  // Alt without Ctrl makes a system key; so does F10, the menu key.
  const bool system = !ctrl && (alt || out.virtualKey == VK_F10);
  if (!event.press) {
    out.key = system ? WM_SYSKEYUP : WM_KEYUP;
    return out;
  }
  out.key = system ? WM_SYSKEYDOWN : WM_KEYDOWN;
  if (event.held.altGraph) {
    out.character = CharacterOf(event.text, false, false);
  } else if (!(ctrl && alt)) {
    out.character = CharacterOf(event.text, ctrl, OnKeypad(event.symbol));
  }
  if (out.character >= 0) out.charMessage = system ? WM_SYSCHAR : WM_CHAR;
  return out;
}

std::uint32_t NamingSymbol(std::uint32_t base, std::uint32_t effective) {
  return OnKeypad(effective) ? effective : base;
}

std::int32_t TextOfSymbol(std::uint32_t s) {
  if (s >= KP_0 && s <= KP_9) return static_cast<std::int32_t>('0' + (s - KP_0));
  switch (s) {
    case Return:
    case KP_Enter:
      return 13;
    case BackSpace:
      return 8;
    case Tab:
    case ISO_Left_Tab:
    case KP_Tab:
      return 9;
    case Escape:
      return 27;
    case KP_Space:
      return ' ';
    case KP_Multiply:
      return '*';
    case KP_Add:
      return '+';
    case KP_Separator:
      return ',';
    case KP_Subtract:
      return '-';
    case KP_Decimal:
      return '.';
    case KP_Divide:
      return '/';
    case KP_Equal:
      return '=';
    default:
      break;
  }
  if (s >= UnicodeBase && s <= UnicodeBase + 0x10FFFF)
    return static_cast<std::int32_t>(s - UnicodeBase);
  return Latin1(static_cast<std::int32_t>(s)) ? static_cast<std::int32_t>(s) : -1;
}

}  // namespace platform::keys
