#include <cstdint>

#include "runtime/runtime.hpp"

namespace runtime {

namespace {
// x87: round to nearest, 64-bit significand, invalid, zero-divide and
// overflow unmasked; denormal, underflow and precision masked.
constexpr std::uint16_t kX87ControlWord = 0x1332;
// SSE: the same three traps unmasked (bits 7, 9, 10 clear), the other masks
// set, round to nearest, no flush-to-zero, flags clear.
constexpr std::uint32_t kMxcsr = 0x1900;
}  // namespace

void SetFloatingPointEnvironment() {
  // fninit clears pending x87 exceptions before the control word unmasks any.
  std::uint16_t cw = kX87ControlWord;
  std::uint32_t mxcsr = kMxcsr;
  asm volatile("fninit\n\tfldcw %0" : : "m"(cw));
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

}  // namespace runtime
