#include "heap.hpp"
#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

void InitModule() {
  // The window subsystem (no console) is chosen when the program is linked.
  InstallFaultHandler();
  SetFloatingPointEnvironment();
  InstallHeapFailureHandler();
  InstallUncaughtExceptionHandler();
  // What the error path needs is made now, while heap and locks are free.
  CodeBase();
  StartWatchdog();
}

}  // namespace runtime
