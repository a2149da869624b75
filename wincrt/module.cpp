#include "graph/window.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace wincrt {

namespace {
runtime::ExitStep SavedExitProc = nullptr;
}

void InitModule() {
  // The graphics module has cleared its hooks already; installing ours after
  // it is what makes the key hook stick.
  graph::CharMessageHandler = &MsgHandler;
  ResetKeyQueue();
  SavedExitProc = runtime::ExitProc;
  runtime::ExitProc = &MyExitProc;
}

void MyExitProc() {
  runtime::ExitProc = SavedExitProc;
  graph::CharMessageHandler = nullptr;
}

}  // namespace wincrt
