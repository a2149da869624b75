#include "heap.hpp"
#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

ExitStep SavedExitProc = nullptr;
bool InExitChain = false;

// The runtime's own step, first in the chain and so the last to run.
void RuntimeExitProc() {
  ExitProc = SavedExitProc;
  InExitChain = false;
  RestoreTimerResolution();
}

}  // namespace

void InitModule() {
  // The window subsystem (no console) is chosen when the program is linked.
  PrepareProcessStart();
  InstallFaultHandler();
  SetFloatingPointEnvironment();
  InstallHeapFailureHandler();
  InstallUncaughtExceptionHandler();
  // What the error path needs is made now, while heap and locks are free.
  CodeBase();
  StartWatchdog();
  FineTimerResolution();
  if (!InExitChain) {
    SavedExitProc = ExitProc;
    ExitProc = RuntimeExitProc;
    InExitChain = true;
  }
}

}  // namespace runtime
