// Program entry: the modules start in their fixed order, then the scene is
// set up and the display phase runs until Enter.
#include "app/display.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"

int main() {
  app::StartModules();
  app::SetUpScene();
  app::RunDisplayPhase();
}
