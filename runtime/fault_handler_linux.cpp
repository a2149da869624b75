// Faults arrive as signals. The handler turns the signal into the fault it
// stands for, records it, and rewrites the interrupted context so that the
// thread resumes in the error routine on a usable stack, outside the handler.
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fault_context_linux.hpp"
#include "fault_recovery.hpp"
#include "fault_table.hpp"
#include "os.hpp"
#include "process_end.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

constexpr int kFaultSignals[] = {SIGFPE, SIGSEGV, SIGBUS, SIGILL, SIGINT, SIGTERM};

// The handler runs here, so that it still runs when the thread's own stack is
// used up.
constexpr std::size_t kSignalStackSize = 64 * 1024;
alignas(16) char mainSignalStack[kSignalStackSize];
// Worker threads' signal stacks; kept here so they stay reachable.
constexpr int kMaxWorkerSignalStacks = 64;
char* workerSignalStacks[kMaxWorkerSignalStacks];
std::atomic<int> workerSignalStackCount{0};

// After a stack overflow the error routine runs on this stack; the exit chain
// and the message box need far more than the signal stack.
constexpr std::size_t kSpareStackSize = 1024 * 1024;
alignas(16) char spareStack[kSpareStackSize];
std::atomic<bool> spareStackTaken{false};

// Below the interrupted stack pointer lies the red zone the interrupted
// function may still use.
constexpr std::uintptr_t kRedZone = 128;
// A fault this close to the stack pointer is the stack running out.
constexpr std::uintptr_t kStackFaultReach = 64 * 1024;

bool IsStackOverflow(int signal, const siginfo_t* info, std::uintptr_t sp) {
  if (signal != SIGSEGV && signal != SIGBUS) return false;
  const auto addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
  return addr != 0 && addr + kStackFaultReach > sp && addr < sp + kStackFaultReach;
}

std::uint32_t ExceptionCodeFor(int signal, const siginfo_t* info, bool stackOverflow) {
  if (stackOverflow) return kStackOverflow;
  switch (signal) {
    case SIGFPE:
      switch (info->si_code) {
        case FPE_FLTDIV:
          return kFloatDivideByZero;
        case FPE_INTDIV:
          return kIntDivideByZero;
        case FPE_FLTOVF:
          return kFloatOverflow;
        case FPE_FLTUND:
          return kFloatUnderflow;
        case FPE_FLTRES:
          return kFloatInexactResult;
        case FPE_FLTSUB:
          return kFloatStackCheck;
        case FPE_INTOVF:
          return kIntOverflow;
        default:
          return kFloatInvalidOperation;
      }
    case SIGSEGV:
    case SIGBUS:
      return kAccessViolation;
    case SIGILL:
      return kIllegalInstruction;
    default:  // SIGINT, SIGTERM: the console interrupt
      return kControlCExit;
  }
}

// Lets the system's own handling end the process.
void Decline(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigaction(signal, &action, nullptr);
  // A fault comes back when the instruction is retried; an interrupt is sent again.
  if (signal == SIGINT || signal == SIGTERM) raise(signal);
}

void OnFault(int signal, siginfo_t* info, void* context) {
  // An interrupt can land while the thread holds a lock that the exit chain
  // needs (the drawing lock, a message queue's): it is taken at the next
  // safe point instead (CheckInterrupt). A second one, while the first still
  // waits, is taken at once, so a program stuck elsewhere still ends.
  if (signal == SIGINT || signal == SIGTERM) {
    if (!InterruptPending.exchange(true)) return;
    // The process is ending with a runtime error already, its report maybe
    // on the screen: the interrupt changes nothing.
    if (ProcessEnding() && ErrorAddr != nullptr) return;
  }

  auto* uc = static_cast<ucontext_t*>(context);
  const std::uintptr_t sp = StackPointer(uc);
  const bool overflow = IsStackOverflow(signal, info, sp);
  const FaultClass kind = ClassifyException(ExceptionCodeFor(signal, info, overflow), 0);

  FaultRecord record;
  record.address = FailingInstruction(signal, uc);
  record.frame = FramePointer(uc);
  record.number = kind.number;
  record.resetFpu = kind.resetFpu;
  const int level = RecordFault(record);
  if (level < 0) return Decline(signal);

  std::uintptr_t top = sp - kRedZone - 128;
  if (overflow) {
    if (spareStackTaken.exchange(true)) {
      ReleaseFault(level);
      return Decline(signal);
    }
    top = reinterpret_cast<std::uintptr_t>(spareStack + kSpareStackSize);
  }

  ClearFloatFlags(uc);
  // Enter the routine as if called from the failing instruction.
  ResumeIn(uc, &FaultErrorRoutine, static_cast<std::uintptr_t>(level), record.address, top);
}

bool HasSignalStack() {
  stack_t current{};
  return sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0;
}

void UseSignalStack(char* stack, std::size_t size) {
  stack_t alt{};
  alt.ss_sp = stack;
  alt.ss_size = size;
  sigaltstack(&alt, nullptr);
}

}  // namespace

void InstallFaultHandler() {
  // A signal stack already there (a sanitizer's) is left alone: its owner
  // frees it when the thread ends.
  if (!HasSignalStack()) UseSignalStack(mainSignalStack, kSignalStackSize);
  NoteThreadStack();
  struct sigaction action {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (const int signal : kFaultSignals) sigaction(signal, &action, nullptr);
}

void RemoveFaultHandler() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  for (const int signal : kFaultSignals) sigaction(signal, &action, nullptr);
}

void PrepareWorkerThread() {
  sigset_t interrupts;
  sigemptyset(&interrupts);
  sigaddset(&interrupts, SIGINT);
  sigaddset(&interrupts, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &interrupts, nullptr);
  NoteThreadStack();

  if (HasSignalStack()) return;
  const int slot = workerSignalStackCount.fetch_add(1);
  if (slot >= kMaxWorkerSignalStacks) return;  // faults still reported, overflows not
  auto* stack = static_cast<char*>(std::malloc(kSignalStackSize));
  if (stack == nullptr) return;
  workerSignalStacks[slot] = stack;
  UseSignalStack(stack, kSignalStackSize);
}

}  // namespace runtime
