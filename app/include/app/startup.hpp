// The modules' start, in their fixed order.
#pragma once

namespace app {

// runtime, graphics module, keyboard module: the keyboard module installs
// its key hook after the graphics module has cleared the hooks.
void StartModules();

}  // namespace app
