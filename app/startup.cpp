#include "app/startup.hpp"

#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace app {

void StartModules() {
  runtime::InitModule();
  graph::InitModule();
  wincrt::InitModule();
}

}  // namespace app
