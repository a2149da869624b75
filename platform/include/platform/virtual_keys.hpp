// Virtual-key codes beyond those the core names, with the numbers the
// Windows desktop uses, for the backends that make key messages themselves.
#pragma once

#include "platform/messages.hpp"

namespace platform {

// Virtual-key codes beyond those the core names.
namespace vk {
inline constexpr WPARAM Clear = 0x0C;
inline constexpr WPARAM Pause = 0x13;
inline constexpr WPARAM Capital = 0x14;
inline constexpr WPARAM Snapshot = 0x2C;
inline constexpr WPARAM LWin = 0x5B;
inline constexpr WPARAM RWin = 0x5C;
inline constexpr WPARAM Apps = 0x5D;
inline constexpr WPARAM Numpad0 = 0x60;
inline constexpr WPARAM Multiply = 0x6A;
inline constexpr WPARAM Add = 0x6B;
inline constexpr WPARAM Separator = 0x6C;
inline constexpr WPARAM Subtract = 0x6D;
inline constexpr WPARAM Decimal = 0x6E;
inline constexpr WPARAM Divide = 0x6F;
inline constexpr WPARAM NumLock = 0x90;
inline constexpr WPARAM Scroll = 0x91;
inline constexpr WPARAM OemSemicolon = 0xBA;  // ;:
inline constexpr WPARAM OemPlus = 0xBB;       // =+
inline constexpr WPARAM OemComma = 0xBC;
inline constexpr WPARAM OemMinus = 0xBD;  // -_
inline constexpr WPARAM OemPeriod = 0xBE;
inline constexpr WPARAM OemSlash = 0xBF;
inline constexpr WPARAM OemGrave = 0xC0;
inline constexpr WPARAM OemBracketLeft = 0xDB;
inline constexpr WPARAM OemBackslash = 0xDC;
inline constexpr WPARAM OemBracketRight = 0xDD;
inline constexpr WPARAM OemQuote = 0xDE;
// Character keys of other layouts that have no code of their own here.
inline constexpr WPARAM OemOther = 0xDF;
inline constexpr WPARAM Oem102 = 0xE2;  // the key beside left Shift on ISO keyboards
}  // namespace vk

}  // namespace platform
