#include "fault_recovery.hpp"

#include "runtime/runtime.hpp"

namespace runtime {

std::atomic<std::uint8_t> ExceptLevel{0};

namespace {
FaultRecord faults[kMaxExceptLevel];
// A level stays taken until its error routine has copied the record: faults
// on other threads meanwhile take other levels, whatever order they end in.
std::atomic<bool> levelTaken[kMaxExceptLevel];
}  // namespace

int RecordFault(const FaultRecord& record) {
  if (ExceptLevel.fetch_add(1) >= kMaxExceptLevel) {
    ExceptLevel.fetch_sub(1);
    return -1;
  }
  // Fewer levels are taken than counted, so one is free.
  for (;;) {
    for (int level = 0; level < kMaxExceptLevel; ++level) {
      bool taken = false;
      if (levelTaken[level].compare_exchange_strong(taken, true)) {
        faults[level] = record;
        return level;
      }
    }
  }
}

FaultRecord TakeFault(int level) {
  const FaultRecord record = faults[level];
  ReleaseFault(level);
  return record;
}

void ReleaseFault(int level) {
  levelTaken[level] = false;
  ExceptLevel.fetch_sub(1);
}

void FaultErrorRoutine(std::uintptr_t level) {
  const FaultRecord record = TakeFault(static_cast<int>(level));
  if (record.resetFpu) SetFloatingPointEnvironment();
  RaiseRunError(record.number, record.address, record.frame);
}

}  // namespace runtime
