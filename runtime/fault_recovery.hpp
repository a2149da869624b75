// Between the fault handler and the error routine: the handler records the
// fault at the next level and resumes the failing thread in the error
// routine, outside the handler, which raises the runtime error.
#pragma once

#include <cstdint>

namespace runtime {

struct FaultRecord {
  const void* address = nullptr;  // the failing instruction
  const void* frame = nullptr;    // its frame pointer, for the caller walk
  std::uint16_t number = 0;
  bool resetFpu = false;
};

// Claims a free level and stores the record there; -1 when kMaxExceptLevel
// faults are in progress. Lock-free: the signal handler calls it, on any
// thread at the same time.
int RecordFault(const FaultRecord& record);
// The record at level, which is free again afterwards.
FaultRecord TakeFault(int level);
// Gives back the level RecordFault claimed when the handler declines after all.
void ReleaseFault(int level);

// Where the handler resumes the failing thread, with the level it claimed.
[[noreturn]] void FaultErrorRoutine(std::uintptr_t level);

}  // namespace runtime
