// Faults arrive at the process's unhandled-exception filter. The filter
// records the fault and continues the failing thread in the error routine, on
// a usable stack.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "fault_recovery.hpp"
#include "fault_table.hpp"
#include "os.hpp"
#include "runtime/runtime.hpp"

namespace runtime {

namespace {

// After a stack overflow the error routine runs on this stack.
constexpr std::size_t kSpareStackSize = 1024 * 1024;
alignas(16) char spareStack[kSpareStackSize];
std::atomic<bool> spareStackTaken{false};

// Room left below the failing stack pointer for what the failing function may
// still hold there, and the callee's home area.
constexpr std::uintptr_t kStackGap = 512;

// The code GCC's unwinder raises a C++ exception with ("GCC" and the
// customer bit; the severity bits vary).
constexpr DWORD kGccThrow = (1u << 29) | ('G' << 16) | ('C' << 8) | 'C';

// What the filter needs to stay alive after a stack overflow.
constexpr ULONG kOverflowGuarantee = 64 * 1024;

bool PrefetchAt(const void* address) {
  std::uint8_t bytes[16];
  SIZE_T read = 0;
  if (!ReadProcessMemory(GetCurrentProcess(), address, bytes, sizeof bytes, &read)) return false;
  return IsPrefetchInstruction(bytes, read);
}

// x87 faults are reported at the next x87 instruction; the unit itself keeps
// the address of the one that failed (bytes 8-15 of the FXSAVE image).
const void* FailingInstruction(const EXCEPTION_RECORD* exception, const CONTEXT* context) {
  const XMM_SAVE_AREA32& fpu = context->FltSave;
  if ((fpu.StatusWord & ~fpu.ControlWord & 0x3F) != 0) {
    std::uint64_t fip = 0;
    std::memcpy(&fip, reinterpret_cast<const char*>(&fpu) + 8, sizeof fip);
    if (fip != 0) return reinterpret_cast<const void*>(fip);
  }
  return exception->ExceptionAddress;
}

LONG WINAPI OnFault(EXCEPTION_POINTERS* pointers) {
  const EXCEPTION_RECORD* exception = pointers->ExceptionRecord;
  CONTEXT* context = pointers->ContextRecord;
  const DWORD code = exception->ExceptionCode;
  if (code == EXCEPTION_ACCESS_VIOLATION && PrefetchAt(exception->ExceptionAddress)) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  // A C++ exception nobody catches: its unwinder, continued, hands it to
  // std::terminate, which raises the runtime error for it.
  if ((code & 0x20FFFFFF) == kGccThrow &&
      (exception->ExceptionFlags & EXCEPTION_NONCONTINUABLE) == 0) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  const unsigned raisedFlags = context->MxCsr & ~(context->MxCsr >> 7) & 0x3F;
  const FaultClass kind = ClassifyException(code, raisedFlags);

  FaultRecord record;
  record.address = FailingInstruction(exception, context);
  record.frame = reinterpret_cast<const void*>(context->Rbp);
  record.number = kind.number;
  record.resetFpu = kind.resetFpu;
  const int level = RecordFault(record);
  if (level < 0) return EXCEPTION_CONTINUE_SEARCH;

  std::uintptr_t top = context->Rsp - kStackGap;
  if (code == EXCEPTION_STACK_OVERFLOW) {
    if (spareStackTaken.exchange(true)) {
      ReleaseFault(level);
      return EXCEPTION_CONTINUE_SEARCH;
    }
    top = reinterpret_cast<std::uintptr_t>(spareStack + kSpareStackSize);
  }

  // Pending exception flags would fault again at the next x87 instruction.
  context->FltSave.StatusWord &= ~0x80FF;
  context->FltSave.MxCsr &= ~0x3Fu;
  context->MxCsr &= ~0x3Fu;

  // Enter the routine as if called from the failing instruction.
  const std::uintptr_t entry = (top & ~std::uintptr_t{15}) - sizeof(void*);
  *reinterpret_cast<const void**>(entry) = record.address;
  context->Rsp = entry;
  context->Rip = reinterpret_cast<DWORD64>(&FaultErrorRoutine);
  context->Rcx = static_cast<DWORD64>(level);
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void InstallFaultHandler() {
  ULONG guarantee = kOverflowGuarantee;
  SetThreadStackGuarantee(&guarantee);
  SetUnhandledExceptionFilter(OnFault);
}

void RemoveFaultHandler() { SetUnhandledExceptionFilter(nullptr); }

void PrepareWorkerThread() {
  // No console interrupts reach a thread of a windowed process; the stack
  // guarantee keeps the filter alive after an overflow on this thread.
  ULONG guarantee = kOverflowGuarantee;
  SetThreadStackGuarantee(&guarantee);
}

}  // namespace runtime
