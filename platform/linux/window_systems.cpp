// The window systems built into the program, in the order the start-up
// tries them. Adding one is one line here and its library in CMakeLists.txt.
#include <array>

#include "platform/x11/x11_table.hpp"
#include "window_system_registry.hpp"

namespace platform::chosen {

std::span<const shared::WindowSystemTable* const> BuiltWindowSystems() {
  static constexpr std::array tables = {
      &x11::Table,
  };
  return tables;
}

}  // namespace platform::chosen
