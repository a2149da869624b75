// The rule that picks one of the window systems built into a program.
#include <string_view>

#include "platform/shared/window_system_table.hpp"

namespace platform::shared {

namespace {

bool IsSet(const char* value) { return value != nullptr && *value != '\0'; }

}  // namespace

WindowSystemChoice PickWindowSystem(std::span<const WindowSystemTable* const> tables,
                                    const char* forced,
                                    const char* (*environment)(const char* name)) {
  const int count = static_cast<int>(tables.size());
  if (IsSet(forced)) {
    std::string built;
    for (int i = 0; i < count; ++i) {
      if (std::string_view(tables[i]->name) == forced) return {i, {}};
      built += i == 0 ? "" : ", ";
      built += tables[i]->name;
    }
    return {-1, "FRACTALS_WINDOW_SYSTEM=" + std::string(forced) +
                    " is not a window system of this program (it has: " + built + ")"};
  }
  for (int i = 0; i < count; ++i) {
    const char* variable = tables[i]->displayVariable;
    if (variable != nullptr && IsSet(environment(variable))) return {i, {}};
  }
  return {count - 1, {}};
}

}  // namespace platform::shared
