#include "error_report.hpp"

#include <cstring>

#include "platform/window_system.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

const void* ErrorFrame = nullptr;
StackBounds ErrorStack;

// The first line, the address line, 257 caller lines and the empty line.
constexpr std::int32_t kReportSize = 64 + (kMaxCallerLines + 1) * 16;
char ReportText[kReportSize];
std::int32_t ReportLength = 0;

namespace {

void Append(const char* text) {
  const auto length = static_cast<std::int32_t>(std::strlen(text));
  if (ReportLength + length >= kReportSize) return;
  std::memcpy(ReportText + ReportLength, text, static_cast<std::size_t>(length));
  ReportLength += length;
  ReportText[ReportLength] = '\0';
}

void AppendDecimal(unsigned value) {
  char digits[12];
  int at = sizeof digits - 1;
  digits[at] = '\0';
  do {
    digits[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  Append(digits + at);
}

void AppendAddressLine(const void* addr) {
  char address[10];
  FormatCodeAddress(addr, address);
  Append("  ");
  Append(address);
  Append("\r\n");
}

}  // namespace

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

const void* const UnknownCodeAddress = &ReportLength;

void FormatCodeAddress(const void* addr, char* out) {
  auto offset = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(addr) - CodeBase());
  if (addr == UnknownCodeAddress) offset = 0;
  out[0] = '$';
  for (int i = 8; i >= 1; --i) {
    out[i] = "0123456789ABCDEF"[offset & 0xF];
    offset >>= 4;
  }
  out[9] = '\0';
}

void FormatErrorReport() {
  ReportLength = 0;
  ReportText[0] = '\0';
  char address[10];
  FormatCodeAddress(ErrorAddr, address);
  Append("Runtime error ");
  AppendDecimal(ErrorCode);
  Append(" at ");
  Append(address);
  Append("\r\n");
  AppendAddressLine(ErrorAddr);

  const void* callers[kMaxCallerLines];
  const int limit =
      platform::ErrorOutputIsCharacterDevice() ? kMaxCallerLinesOnConsole : kMaxCallerLines;
  const int count = WalkCallers(ErrorFrame, ErrorStack, limit, callers);
  for (int i = 0; i < count; ++i) AppendAddressLine(callers[i]);
  Append("\r\n");
}

void WriteErrorReport() {
  FormatErrorReport();
  WriteFormattedErrorReport();
}

void WriteFormattedErrorReport() {
  // One flush per line, as a writer does.
  const char* line = ReportText;
  while (*line != '\0') {
    const char* end = std::strchr(line, '\n');
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(end - line + 1) : std::strlen(line);
    WriteErrorOutput(std::string_view(line, length));
    line += length;
  }
}

}  // namespace runtime
