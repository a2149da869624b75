#include "fault_context_linux.hpp"

namespace runtime {

std::uintptr_t StackPointer(const ucontext_t* uc) {
  return static_cast<std::uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
}

const void* FramePointer(const ucontext_t* uc) {
  return reinterpret_cast<const void*>(uc->uc_mcontext.gregs[REG_RBP]);
}

// x87 faults are reported at the next x87 instruction; the unit itself keeps
// the address of the one that failed.
const void* FailingInstruction(int signal, const ucontext_t* uc) {
  const fpregset_t fpu = uc->uc_mcontext.fpregs;
  if (signal == SIGFPE && fpu != nullptr && (fpu->swd & ~fpu->cwd & 0x3F) != 0 && fpu->rip != 0) {
    return reinterpret_cast<const void*>(fpu->rip);
  }
  return reinterpret_cast<const void*>(uc->uc_mcontext.gregs[REG_RIP]);
}

void ClearFloatFlags(ucontext_t* uc) {
  if (uc->uc_mcontext.fpregs != nullptr) {
    uc->uc_mcontext.fpregs->swd &= ~0x80FF;
    uc->uc_mcontext.fpregs->mxcsr &= ~0x3Fu;
  }
}

// A call pushes the return address: the slot leaves the stack aligned as a
// function expects it.
void ResumeIn(ucontext_t* uc, void (*routine)(std::uintptr_t), std::uintptr_t argument,
              const void* caller, std::uintptr_t top) {
  const std::uintptr_t entry = (top & ~std::uintptr_t{15}) - sizeof(void*);
  *reinterpret_cast<const void**>(entry) = caller;
  greg_t* regs = uc->uc_mcontext.gregs;
  regs[REG_RSP] = static_cast<greg_t>(entry);
  regs[REG_RIP] = reinterpret_cast<greg_t>(routine);
  regs[REG_RDI] = static_cast<greg_t>(argument);
}

}  // namespace runtime
