// Program entry: the modules start in their fixed order, then the scene is
// set up and the display phase runs.
#include "app/scene.hpp"
#include "runtime/runtime.hpp"

int main() {
  runtime::InitModule();
  app::SetUpScene();
  runtime::Halt(0);
}
