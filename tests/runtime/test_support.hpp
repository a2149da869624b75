// What the runtime's tests need to know about the build they run in.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/memory/memory_control.hpp"
#include "runtime/runtime.hpp"

namespace runtime_test {

#if defined(_WIN32)
inline constexpr bool kOnWindows = true;
#else
inline constexpr bool kOnWindows = false;
#endif

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderAddressSanitizer = true;
#else
inline constexpr bool kUnderAddressSanitizer = false;
#endif

#if defined(__SANITIZE_THREAD__)
inline constexpr bool kUnderThreadSanitizer = true;
#else
inline constexpr bool kUnderThreadSanitizer = false;
#endif

// x86 traps on floating-point faults and on integer division by zero; 64-bit
// ARM only sets flags (its faults come from the extended arithmetic instead).
#if defined(__x86_64__) || defined(__i386__)
inline constexpr bool kHardwareArithmeticTraps = true;
#else
inline constexpr bool kHardwareArithmeticTraps = false;
#endif

// The texts of the "Error" boxes shown so far.
inline std::vector<std::string> ErrorBoxTexts() {
  std::vector<std::string> texts;
  for (const auto& box : platform::memory::MessageBoxes()) {
    if (box.caption == "Error") texts.push_back(box.text);
  }
  return texts;
}

// Which function the reported address lies in; the exit chain sees it before
// the report is shown and writes "in function " or "elsewhere ". The fault
// lies this close behind the start of the small functions the tests fault
// in, even in an unoptimised, instrumented build.
inline constexpr std::uintptr_t kFunctionReach = 512;
inline const void* expectedFunction = nullptr;
inline void NameTheFaultingFunction() {
  const auto addr = reinterpret_cast<std::uintptr_t>(runtime::ErrorAddr);
  const auto start = reinterpret_cast<std::uintptr_t>(expectedFunction);
  std::fputs(addr >= start && addr < start + kFunctionReach ? "in function " : "elsewhere ",
             stderr);
}
inline void ExpectFaultIn(const void* function) {
  expectedFunction = function;
  runtime::ExitProc = NameTheFaultingFunction;
}

}  // namespace runtime_test
