#include "wincrt/wincrt.hpp"

namespace wincrt {

bool CtrlKey = false;
bool AltKey = false;

namespace {

// PC scan codes of the keys that arrive as #0 followed by a code.
char ExtendedCode(platform::WPARAM vk) {
  using namespace platform;
  switch (vk) {
    case VK_PRIOR:
      return 73;
    case VK_NEXT:
      return 81;
    case VK_END:
      return 79;
    case VK_HOME:
      return 71;
    case VK_LEFT:
      return 75;
    case VK_UP:
      return 72;
    case VK_RIGHT:
      return 77;
    case VK_DOWN:
      return 80;
    case VK_INSERT:
      return 82;
    case VK_DELETE:
      return 83;
    default:
      break;
  }
  if (vk >= VK_F1 && vk <= VK_F10) {
    // Ctrl takes precedence over Alt; Shift changes nothing.
    const int base = CtrlKey ? 94 : AltKey ? 104 : 59;
    return static_cast<char>(base + static_cast<int>(vk - VK_F1));
  }
  return 0;
}

}  // namespace

platform::LRESULT MsgHandler(platform::Window /*window*/, platform::UINT message,
                             platform::WPARAM wParam, platform::LPARAM /*lParam*/) {
  using namespace platform;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_CONTROL) {
        CtrlKey = true;
      } else if (wParam == VK_MENU) {
        AltKey = true;
      } else if (const char code = ExtendedCode(wParam); code != 0) {
        AddExtChar(code);
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_CONTROL) CtrlKey = false;
      if (wParam == VK_MENU) AltKey = false;
      break;
    case WM_CHAR:
      AddChar(static_cast<char>(wParam & 0xFF));
      break;
    case WM_KILLFOCUS:
      // Keys let go in another window send no key-up here.
      CtrlKey = false;
      AltKey = false;
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace wincrt
