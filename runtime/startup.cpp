#include <string>

#include "heap.hpp"
#include "os.hpp"
#include "platform/window_system.hpp"
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
  // A window system asked for by name and not built in: said in one line on
  // the console, without a box, since no window system is there to show it.
  if (const char* problem = platform::ChooseWindowSystem(); problem != nullptr) {
    const std::string line = std::string(problem) + "\r\n";
    WriteToConsole(line.data(), static_cast<std::int32_t>(line.size()));
    EndProcess(1);
  }
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
