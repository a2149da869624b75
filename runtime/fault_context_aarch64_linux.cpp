#include "fault_context_linux.hpp"

namespace runtime {

namespace {
constexpr int kFrameRegister = 29;  // x29
constexpr int kLinkRegister = 30;   // x30, the return address of a call
}  // namespace

std::uintptr_t StackPointer(const ucontext_t* uc) {
  return static_cast<std::uintptr_t>(uc->uc_mcontext.sp);
}

const void* FramePointer(const ucontext_t* uc) {
  return reinterpret_cast<const void*>(uc->uc_mcontext.regs[kFrameRegister]);
}

// Faults are precise: the program counter names the failing instruction.
const void* FailingInstruction(int /*signal*/, const ucontext_t* uc) {
  return reinterpret_cast<const void*>(uc->uc_mcontext.pc);
}

// Floating-point exceptions never trap here; their flags only accumulate.
void ClearFloatFlags(ucontext_t* /*uc*/) {}

// A call leaves the return address in the link register; the stack stays
// 16-byte aligned.
void ResumeIn(ucontext_t* uc, void (*routine)(std::uintptr_t), std::uintptr_t argument,
              const void* caller, std::uintptr_t top) {
  mcontext_t& m = uc->uc_mcontext;
  m.sp = top & ~std::uintptr_t{15};
  m.pc = reinterpret_cast<std::uintptr_t>(routine);
  m.regs[0] = argument;
  m.regs[kLinkRegister] = reinterpret_cast<std::uintptr_t>(caller);
}

}  // namespace runtime
