// The X11 window system as one entry of the program's table of window
// systems.
#include "x11_backend.hpp"

namespace platform::x11 {

constinit const shared::WindowSystemTable Table = MakeWindowSystemTable("x11", "DISPLAY");

}  // namespace platform::x11
