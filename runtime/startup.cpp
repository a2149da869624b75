#include "runtime/runtime.hpp"

namespace runtime {

void InitModule() { SetFloatingPointEnvironment(); }

}  // namespace runtime
