#include "runtime/runtime.hpp"

namespace runtime {

// WebAssembly rounds to nearest even and never traps on floating-point
// results; the extended arithmetic checks its own results instead.
void SetFloatingPointEnvironment() {}

}  // namespace runtime
