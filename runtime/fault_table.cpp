#include "fault_table.hpp"

namespace runtime {

namespace {

// The first fault the hardware checks for decides.
std::uint16_t NumberForFloatFlags(unsigned flags) {
  if ((flags & kFlagInvalid) != 0) return 207;
  if ((flags & kFlagZeroDivide) != 0) return 200;
  if ((flags & kFlagDenormal) != 0) return 206;
  if ((flags & kFlagOverflow) != 0) return 205;
  if ((flags & kFlagUnderflow) != 0) return 206;
  return 207;
}

bool IsPrefix(std::uint8_t b) {
  switch (b) {
    case 0x26:
    case 0x2E:
    case 0x36:
    case 0x3E:
    case 0x64:
    case 0x65:  // segments
    case 0x66:
    case 0x67:
    case 0xF0:
    case 0xF2:
    case 0xF3:
      return true;
    default:
      return b >= 0x40 && b <= 0x4F;  // REX
  }
}

}  // namespace

FaultClass ClassifyException(std::uint32_t code, unsigned floatFlags) {
  switch (code) {
    case kFloatDivideByZero:
    case kIntDivideByZero:
      return {200, true};
    case kArrayBoundsExceeded:
      return {201, false};
    case kStackOverflow:
      return {202, false};
    case kFloatOverflow:
      return {205, true};
    case kFloatUnderflow:
    case kFloatDenormalOperand:
      return {206, true};
    case kFloatInvalidOperation:
    case kFloatInexactResult:
    case kFloatStackCheck:
      return {207, true};
    case kFloatMultipleFaults:
    case kFloatMultipleTraps:
      return {NumberForFloatFlags(floatFlags), true};
    case kIntOverflow:
      return {215, false};
    case kAccessViolation:
    case kIllegalInstruction:
      return {216, true};
    case kControlCExit:
      return {217, true};
    case kPrivilegedInstruction:
      return {218, false};
    default:
      // Both severity bits set: an error status of the system.
      if ((code & 0xC0000000u) == 0xC0000000u) return {217, true};
      return {255, true};
  }
}

bool IsPrefetchInstruction(const std::uint8_t* bytes, std::size_t length) {
  std::size_t i = 0;
  while (i < length && IsPrefix(bytes[i])) ++i;
  // 0F 18 /0-3: prefetchnta/t0/t1/t2; 0F 0D: prefetch/prefetchw.
  return i + 1 < length && bytes[i] == 0x0F && (bytes[i + 1] == 0x18 || bytes[i + 1] == 0x0D);
}

}  // namespace runtime
