#include <cstdint>

#include "runtime/runtime.hpp"

namespace runtime {

// FPCR: round to nearest, no flush-to-zero, no default NaN, and the trap
// enables left clear (the CPUs this runs on have no floating-point traps; the
// extended arithmetic raises the runtime errors itself). FPSR: flags clear.
void SetFloatingPointEnvironment() {
  const std::uint64_t fpcr = 0;
  const std::uint64_t fpsr = 0;
  asm volatile("msr fpcr, %0\n\tmsr fpsr, %1" : : "r"(fpcr), "r"(fpsr));
}

}  // namespace runtime
