// The window systems built into the program, in the order the start-up
// tries them. Adding one is one line here and its library in CMakeLists.txt.
#include <array>

#include "platform/x11/x11_table.hpp"
#include "window_system_registry.hpp"
#if defined(FRACTALS_WITH_WAYLAND)
#include "platform/wayland/wayland_table.hpp"
#endif

namespace platform::chosen {

std::span<const shared::WindowSystemTable* const> BuiltWindowSystems() {
  // Wayland first: a Wayland session names its X server too (XWayland).
  static constexpr std::array tables = {
#if defined(FRACTALS_WITH_WAYLAND)
    &wayland::Table,
#endif
    &x11::Table,
  };
  return tables;
}

}  // namespace platform::chosen
