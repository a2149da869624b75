#include "error_report.hpp"

#include <cstdio>
#include <cstring>

#include "platform/window_system.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

const void* ErrorFrame = nullptr;
StackBounds ErrorStack;

int WalkCallers(const void* frame, StackBounds stack, int limit, const void** callers) {
  int count = 0;
  auto at = reinterpret_cast<std::uintptr_t>(frame);
  while (count < limit && at != 0) {
    // A frame holds the caller's saved frame pointer, then the return address.
    if (at % alignof(void*) != 0 || at < stack.low || at + 2 * sizeof(void*) > stack.high) break;
    const auto* slots = reinterpret_cast<const std::uintptr_t*>(at);
    const std::uintptr_t next = slots[0];
    const std::uintptr_t returnAddress = slots[1];
    if (returnAddress == 0) break;
    callers[count++] = reinterpret_cast<const void*>(returnAddress);
    if (next <= at) break;
    at = next;
  }
  return count;
}

void FormatCodeAddress(const void* addr, char* out) {
  const auto offset =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(addr) - CodeBase());
  std::snprintf(out, 10, "$%08X", static_cast<unsigned>(offset));
}

void WriteErrorReport() {
  char address[10];
  char line[48];
  FormatCodeAddress(ErrorAddr, address);
  std::snprintf(line, sizeof line, "Runtime error %u at %s\r\n", static_cast<unsigned>(ErrorCode),
                address);
  WriteErrorOutput(line);
  std::snprintf(line, sizeof line, "  %s\r\n", address);
  WriteErrorOutput(line);

  const void* callers[kMaxCallerLines];
  const int limit =
      platform::ErrorOutputIsCharacterDevice() ? kMaxCallerLinesOnConsole : kMaxCallerLines;
  const int count = WalkCallers(ErrorFrame, ErrorStack, limit, callers);
  for (int i = 0; i < count; ++i) {
    FormatCodeAddress(callers[i], address);
    std::snprintf(line, sizeof line, "  %s\r\n", address);
    WriteErrorOutput(line);
  }
  WriteErrorOutput("\r\n");
}

}  // namespace runtime
