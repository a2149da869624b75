#include "heap.hpp"
#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

void InitModule() {
  // The window subsystem (no console) is chosen when the program is linked.
  InstallFaultHandler();
  SetFloatingPointEnvironment();
  InstallHeapFailureHandler();
}

}  // namespace runtime
