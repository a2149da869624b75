// The Wayland window system as one entry of the program's table of window
// systems.
#include "wayland_backend.hpp"

namespace platform::wayland {

constinit const shared::WindowSystemTable Table =
    MakeWindowSystemTable("wayland", "WAYLAND_DISPLAY");

}  // namespace platform::wayland
