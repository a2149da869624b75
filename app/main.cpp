// Program entry: the modules start in their fixed order, then the scene is
// set up and the display phase runs until Enter.
#include "app/display.hpp"
#include "app/scene.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

int main() {
  runtime::InitModule();
  graph::InitModule();
  wincrt::InitModule();  // after the graphics module, which clears the hooks

  app::SetUpScene();
  app::RunDisplayPhase();
}
