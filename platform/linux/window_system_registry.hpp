// The window systems of the program and the one the start-up picked.
#pragma once

#include <span>

#include "platform/shared/window_system_table.hpp"

namespace platform::chosen {

// Every one built in, in the order they are tried; never empty.
std::span<const shared::WindowSystemTable* const> BuiltWindowSystems();

// The picked one, picking it first if nobody did (the last built one when
// the pick failed). Any thread.
const shared::WindowSystemTable& Chosen();

}  // namespace platform::chosen
