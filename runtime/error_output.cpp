#include <algorithm>
#include <cstring>
#include <mutex>

#include "os.hpp"
#include "platform/window_system.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

char ErrorBuf[kErrorBufSize + 1] = {};
std::int32_t ErrorLen = 0;

namespace {

// Recursive: a fault while a box is up on this thread still gets its report
// through the same output.
std::recursive_mutex errorOutputLock;

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

bool EndsWithThreeLineEnds() {
  return ErrorLen > 3 && IsLineEnd(ErrorBuf[ErrorLen - 1]) && IsLineEnd(ErrorBuf[ErrorLen - 2]) &&
         IsLineEnd(ErrorBuf[ErrorLen - 3]);
}

// Shows the held text and empties the buffer. Lock held.
void ShowHeldText() {
  if (ErrorLen == 0) return;
  if (ConsoleTakesErrorOutput()) {
    WriteToConsole(ErrorBuf, ErrorLen);
    // Seen as soon as it is written: as a box shown and dismissed at once.
    NoteBoxShown();
    NoteBoxDismissed();
  } else {
    platform::MessageBox(ErrorBuf, "Error", NoteBoxShown);
    NoteBoxDismissed();
  }
  ErrorLen = 0;
  ErrorBuf[0] = '\0';
}

}  // namespace

void WriteErrorOutput(std::string_view text) {
  std::lock_guard lock(errorOutputLock);
  // What does not fit is dropped, not kept for the next box.
  const auto room = static_cast<std::size_t>(kErrorBufSize - ErrorLen);
  const std::size_t taken = std::min(text.size(), room);
  std::memcpy(ErrorBuf + ErrorLen, text.data(), taken);
  ErrorLen += static_cast<std::int32_t>(taken);
  ErrorBuf[ErrorLen] = '\0';
  if (EndsWithThreeLineEnds() || ErrorLen == kErrorBufSize) ShowHeldText();
}

void CloseErrorOutput() {
  std::lock_guard lock(errorOutputLock);
  ShowHeldText();
}

}  // namespace runtime
