// Window messages, virtual-key codes and metric indices, with the numbers the
// Windows desktop uses, so that the core compiles everywhere and the key
// translation can be fed messages directly.
#pragma once

#include <cstdint>

namespace platform {

using Window = std::uintptr_t;   // 0: no window
using ThreadId = std::uint32_t;  // 0: no thread
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using UINT = std::uint32_t;

using WindowProc = LRESULT (*)(Window window, UINT message, WPARAM wParam, LPARAM lParam);

struct Message {
  Window window = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// A rectangle of pixels; right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  [[nodiscard]] bool empty() const { return right <= left || bottom <= top; }
};

// The part of a inside b; empty when they do not meet.
constexpr Rect Intersect(Rect a, Rect b) {
  return {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
}

inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
// The window lost the keyboard focus: keys held now are let go elsewhere.
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
// The window moved to a display of another resolution: wParam's low word is
// its dots per inch.
inline constexpr UINT WM_DPICHANGED = 0x02E0;
inline constexpr UINT WM_APP = 0x8000;

inline constexpr WPARAM VK_BACK = 8;
inline constexpr WPARAM VK_TAB = 9;
inline constexpr WPARAM VK_RETURN = 13;
inline constexpr WPARAM VK_SHIFT = 16;
inline constexpr WPARAM VK_CONTROL = 17;
inline constexpr WPARAM VK_MENU = 18;
inline constexpr WPARAM VK_ESCAPE = 27;
inline constexpr WPARAM VK_SPACE = 32;
inline constexpr WPARAM VK_PRIOR = 33;
inline constexpr WPARAM VK_NEXT = 34;
inline constexpr WPARAM VK_END = 35;
inline constexpr WPARAM VK_HOME = 36;
inline constexpr WPARAM VK_LEFT = 37;
inline constexpr WPARAM VK_UP = 38;
inline constexpr WPARAM VK_RIGHT = 39;
inline constexpr WPARAM VK_DOWN = 40;
inline constexpr WPARAM VK_INSERT = 45;
inline constexpr WPARAM VK_DELETE = 46;
inline constexpr WPARAM VK_F1 = 112;
inline constexpr WPARAM VK_F10 = 121;

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXFULLSCREEN = 16;
inline constexpr int SM_CYFULLSCREEN = 17;
inline constexpr int SM_CXPADDEDBORDER = 92;

inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000;
inline constexpr std::uint32_t WS_MAXIMIZE = 0x01000000;
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

}  // namespace platform
