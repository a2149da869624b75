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

// Claims a level and stores the record there; -1 when kMaxExceptLevel faults
// are in progress. Only plain stores: the signal handler calls it.
int RecordFault(const FaultRecord& record);
// Gives back the level RecordFault claimed when the handler declines after all.
void ReleaseFault(int level);

// Where the handler resumes the failing thread, with the level it claimed.
[[noreturn]] void FaultErrorRoutine(std::uintptr_t level);

}  // namespace runtime
