// Picks the window system once, from the environment, and hands the model
// the hooks of the one picked.
#include <cstdlib>
#include <mutex>
#include <string>

#include "window_system_registry.hpp"

namespace platform {

namespace chosen {

namespace {

std::once_flag Picked;
const shared::WindowSystemTable* Table = nullptr;  // set once, under Picked
std::string Problem;                               // set once, under Picked

const char* Environment(const char* name) { return std::getenv(name); }

void Pick() {
  std::call_once(Picked, [] {
    const auto tables = BuiltWindowSystems();
    const shared::WindowSystemChoice choice =
        shared::PickWindowSystem(tables, Environment("FRACTALS_WINDOW_SYSTEM"), Environment);
    Problem = choice.problem;
    // Without a usable pick the program still ends cleanly through one of
    // them (its error box, its error output).
    Table = tables[choice.index >= 0 ? static_cast<std::size_t>(choice.index) : tables.size() - 1];
  });
}

}  // namespace

const shared::WindowSystemTable& Chosen() {
  Pick();
  return *Table;
}

}  // namespace chosen

const char* ChooseWindowSystem() {
  chosen::Pick();
  return chosen::Problem.empty() ? nullptr : chosen::Problem.c_str();
}

const shared::BackendHooks& shared::Backend() { return chosen::Chosen().hooks; }

}  // namespace platform
