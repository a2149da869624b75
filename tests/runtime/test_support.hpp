// What the runtime's tests need to know about the build they run in.
#pragma once

#include <string>
#include <vector>

#include "platform/memory/memory_control.hpp"

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

// The texts of the "Error" boxes shown so far.
inline std::vector<std::string> ErrorBoxTexts() {
  std::vector<std::string> texts;
  for (const auto& box : platform::memory::MessageBoxes()) {
    if (box.caption == "Error") texts.push_back(box.text);
  }
  return texts;
}

}  // namespace runtime_test
