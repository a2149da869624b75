// The display phase: the window opens and the cloud turns, frame after
// frame, until Enter.
#pragma once

#include <cstdint>

#include "extended/extended.hpp"

namespace app {

extern float scale;  // zoom factor, pixels per model unit
extern float anglex;
extern float angley;
extern float anglez;
extern char lastkey;  // the last character read

// 0.1 in the extended format: sign 0, exponent 0x3FFB, significand
// 0xCCCCCCCCCCCCCCCD.
inline extended::Extended ZoomStep() { return extended::FromBits(0x3FFB, 0xCCCCCCCCCCCCCCCDu); }
inline constexpr std::uint32_t kStartScaleBits = 0x402DF854;  // 2.7182817

// scale -/+ the zoom step, formed in extended precision and rounded once.
float ZoomOut(float s);
float ZoomIn(float s);

// Opens the window and sets the zoom factor.
void BeginDisplay();
// One frame: draw, pause 10 ms, handle at most one character.
void RunFrame();
// The loop ends after the frame in which #13 was read, or once the window
// has been closed from outside the program.
bool DisplayEnded();

// BeginDisplay, the frames until DisplayEnded, CloseGraph, then the
// program's normal end with exit code 0.
[[noreturn]] void RunDisplayPhase();

}  // namespace app
