#include "extended/extended.hpp"
#include "runtime/runtime.hpp"

namespace extended {

[[gnu::noinline]] void RaiseFault(unsigned flags) {
  // The order in which the x87 unit reports simultaneous exceptions.
  const std::uint16_t n = (flags & soft::kInvalid) != 0      ? 207
                          : (flags & soft::kZeroDivide) != 0 ? 200
                                                             : 205;
  // This frame's first slot holds the caller's frame pointer.
  const void* callerFrame = *static_cast<const void* const*>(__builtin_frame_address(0));
  runtime::RaiseRunError(n, __builtin_return_address(0), callerFrame);
}

}  // namespace extended
