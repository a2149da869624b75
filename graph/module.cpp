// Start and exit of the graphics module.
#include <string>

#include "graph/graph.hpp"
#include "modes.hpp"
#include "runtime/runtime.hpp"
#include "window_thread.hpp"

namespace graph {

namespace {

runtime::ExitStep ExitSave = nullptr;
bool InExitChain = false;

// The window system failed beyond repair (the display went away, say).
[[noreturn]] void WindowSystemFailed(const char* text) {
  runtime::WriteErrorOutput(std::string(text) + "\r\n");
  runtime::Halt(1);
}

}  // namespace

void GraphExitProc() {
  runtime::ExitProc = ExitSave;
  InExitChain = false;
  // With an error pending the window goes before the report is shown.
  if (IsGraphMode && (runtime::ErrorCode != 0 || runtime::ErrorAddr != nullptr)) CloseGraph();
  FreeModeLists();
}

void InitModule() {
  QueryAdapterInfo();
  IsGraphMode = false;
  DefaultHooks();
  // Once in the chain, however often the module is started.
  if (!InExitChain) {
    ExitSave = runtime::ExitProc;
    runtime::ExitProc = GraphExitProc;
    InExitChain = true;
  }
  CharMessageHandler = nullptr;
  MouseMessageHandler = nullptr;
  CommandMessageHandler = nullptr;
  NotifyMessageHandler = nullptr;
  OnGraphWindowCreation = nullptr;
  platform::SetFatalErrorHandler(WindowSystemFailed);
}

}  // namespace graph
