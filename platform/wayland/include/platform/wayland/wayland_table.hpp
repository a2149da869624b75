// The Wayland window system as an entry of a program's table of window
// systems.
#pragma once

#include "platform/shared/window_system_table.hpp"

namespace platform::wayland {

extern const shared::WindowSystemTable Table;

}  // namespace platform::wayland
