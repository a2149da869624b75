// Key symbols with the X protocol's values (keysymdef.h), which xkbcommon
// shares: the names the key translation knows keys by. Spelt out here so
// that nothing needs Xlib or xkbcommon headers to name a key.
#pragma once

#include <cstdint>

namespace platform::keys::symbol {

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
// The keypad runs from KP_Space to KP_Equal.
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
// Symbols 0x01000000 + U carry Unicode code point U directly; below 0x100
// a symbol is its Latin-1 character.
inline constexpr std::uint32_t UnicodeBase = 0x01000000;

}  // namespace platform::keys::symbol
