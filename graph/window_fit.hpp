// How large the graphics window is made: the largest whole factor of the
// image whose window fits the monitor it is on, on every window system.
#pragma once

#include <cstdint>

#include "platform/window_system.hpp"

namespace graph {

// The outer rectangle, from (0, 0) inward, of a window whose client area
// shows the image at scale: frame and caption as the system draws them for
// this style.
platform::Rect OuterRect(int scale, std::uint32_t style);

// The largest factor up to wanted whose window, with the frame the window
// manager adds outside it, fits the work area of the monitor window is on
// (of the one a new window opens on, for 0); 1 when none larger does.
// Window thread.
int FittingScale(int wanted, std::uint32_t style, platform::Window window);

// outer moved so that its centre is the centre of near, then moved into
// area as far as it fits (its left and top edges kept inside first).
platform::Rect PlaceWithin(platform::Rect outer, platform::Rect near, platform::Rect area);

}  // namespace graph
