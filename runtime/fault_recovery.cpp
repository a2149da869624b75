#include "fault_recovery.hpp"

#include "runtime/runtime.hpp"

namespace runtime {

std::atomic<std::uint8_t> ExceptLevel{0};

namespace {
FaultRecord faults[kMaxExceptLevel];
}  // namespace

int RecordFault(const FaultRecord& record) {
  const std::uint8_t level = ExceptLevel.fetch_add(1);
  if (level >= kMaxExceptLevel) {
    ExceptLevel.fetch_sub(1);
    return -1;
  }
  faults[level] = record;
  return level;
}

void ReleaseFault(int /*level*/) { ExceptLevel.fetch_sub(1); }

void FaultErrorRoutine(std::uintptr_t level) {
  const FaultRecord record = faults[level];
  ExceptLevel.fetch_sub(1);
  if (record.resetFpu) SetFloatingPointEnvironment();
  RaiseRunError(record.number, record.address, record.frame);
}

}  // namespace runtime
