// Which built-in window system the start-up picks from the environment.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "platform/shared/window_system_table.hpp"

namespace {

using platform::shared::PickWindowSystem;
using platform::shared::WindowSystemTable;

WindowSystemTable Named(const char* name, const char* displayVariable) {
  WindowSystemTable table;
  table.name = name;
  table.displayVariable = displayVariable;
  return table;
}

const WindowSystemTable Wayland = Named("wayland", "WAYLAND_DISPLAY");
const WindowSystemTable X11 = Named("x11", "DISPLAY");

std::map<std::string, std::string> Variables;

const char* Lookup(const char* name) {
  const auto found = Variables.find(name);
  return found != Variables.end() ? found->second.c_str() : nullptr;
}

struct Case {
  const char* what;
  std::vector<const WindowSystemTable*> built;
  const char* forced;
  std::map<std::string, std::string> environment;
  const char* picked;  // null: none, with a problem line
};

TEST(WindowSystemChoice, FollowsTheForcedNameThenTheDisplayVariablesThenTheLast) {
  const std::vector<const WindowSystemTable*> both{&Wayland, &X11};
  const std::vector<const WindowSystemTable*> x11Only{&X11};
  const Case cases[] = {
      {"Wayland's socket named", both, nullptr, {{"WAYLAND_DISPLAY", "wayland-0"}}, "wayland"},
      {"both named: Wayland first",
       both,
       nullptr,
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
       "wayland"},
      {"an empty Wayland name counts as unset",
       both,
       nullptr,
       {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}},
       "x11"},
      {"only an X display", both, nullptr, {{"DISPLAY", ":0"}}, "x11"},
      {"no display: the last, which then fails to start", both, nullptr, {}, "x11"},
      {"forced X11 over Wayland's socket", both, "x11", {{"WAYLAND_DISPLAY", "wayland-0"}}, "x11"},
      {"forced Wayland without its variable", both, "wayland", {{"DISPLAY", ":0"}}, "wayland"},
      {"an empty forced name forces nothing", both, "", {{"DISPLAY", ":0"}}, "x11"},
      {"Wayland's socket, Wayland not built",
       x11Only,
       nullptr,
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
       "x11"},
      {"forced Wayland, not built", x11Only, "wayland", {{"DISPLAY", ":0"}}, nullptr},
      {"forced name unknown", both, "mir", {{"DISPLAY", ":0"}}, nullptr},
      {"forced name in another case", both, "X11", {{"DISPLAY", ":0"}}, nullptr},
  };
  for (const Case& c : cases) {
    Variables = c.environment;
    const auto choice = PickWindowSystem(c.built, c.forced, Lookup);
    if (c.picked == nullptr) {
      EXPECT_EQ(choice.index, -1) << c.what;
      // One line that names the value and what there is instead.
      EXPECT_NE(choice.problem.find(std::string("FRACTALS_WINDOW_SYSTEM=") + c.forced),
                std::string::npos)
          << c.what << ": " << choice.problem;
      EXPECT_NE(choice.problem.find("x11"), std::string::npos) << c.what;
      EXPECT_EQ(choice.problem.find('\n'), std::string::npos) << c.what;
    } else {
      ASSERT_GE(choice.index, 0) << c.what << ": " << choice.problem;
      EXPECT_STREQ(c.built[static_cast<std::size_t>(choice.index)]->name, c.picked) << c.what;
      EXPECT_TRUE(choice.problem.empty()) << c.what;
    }
  }
}

}  // namespace
