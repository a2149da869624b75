#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "os.hpp"

namespace runtime {

std::uintptr_t CodeBase() { return reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)); }

StackBounds CurrentThreadStack() {
  ULONG_PTR low = 0;
  ULONG_PTR high = 0;
  GetCurrentThreadStackLimits(&low, &high);
  return {low, high};
}

// A windowed process shows its error output in message boxes, console or not.
bool ConsoleTakesErrorOutput() { return false; }

void WriteToConsole(const char* text, std::int32_t length) {
  std::fwrite(text, 1, static_cast<std::size_t>(length), stderr);
}

[[noreturn]] void EndProcess(std::uint16_t code) { std::_Exit(code); }

}  // namespace runtime
