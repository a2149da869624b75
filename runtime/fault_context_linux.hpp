// What the Linux fault handler reads from the interrupted thread's context
// and writes into it: one file per CPU (*_x86_linux.cpp, *_aarch64_linux.cpp).
#pragma once

#include <signal.h>
#include <ucontext.h>

#include <cstdint>

namespace runtime {

std::uintptr_t StackPointer(const ucontext_t* uc);
// The frame pointer, the start of the caller walk.
const void* FramePointer(const ucontext_t* uc);
// The instruction that failed.
const void* FailingInstruction(int signal, const ucontext_t* uc);
// Pending exception flags would fault again at the next floating-point
// instruction.
void ClearFloatFlags(ucontext_t* uc);
// The thread resumes in routine(argument) with its stack below top, as if the
// instruction at caller had called it.
void ResumeIn(ucontext_t* uc, void (*routine)(std::uintptr_t), std::uintptr_t argument,
              const void* caller, std::uintptr_t top);

}  // namespace runtime
