// Which runtime error a fault becomes. Faults are named by the Windows
// exception codes; the Linux handler translates its signals into them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace runtime {

inline constexpr std::uint32_t kAccessViolation = 0xC0000005;
inline constexpr std::uint32_t kIllegalInstruction = 0xC000001D;
inline constexpr std::uint32_t kArrayBoundsExceeded = 0xC000008C;
inline constexpr std::uint32_t kFloatDenormalOperand = 0xC000008D;
inline constexpr std::uint32_t kFloatDivideByZero = 0xC000008E;
inline constexpr std::uint32_t kFloatInexactResult = 0xC000008F;
inline constexpr std::uint32_t kFloatInvalidOperation = 0xC0000090;
inline constexpr std::uint32_t kFloatOverflow = 0xC0000091;
inline constexpr std::uint32_t kFloatStackCheck = 0xC0000092;
inline constexpr std::uint32_t kFloatUnderflow = 0xC0000093;
inline constexpr std::uint32_t kIntDivideByZero = 0xC0000094;
inline constexpr std::uint32_t kIntOverflow = 0xC0000095;
inline constexpr std::uint32_t kPrivilegedInstruction = 0xC0000096;
inline constexpr std::uint32_t kStackOverflow = 0xC00000FD;
inline constexpr std::uint32_t kControlCExit = 0xC000013A;
// SSE reports these when it raises its flags; the flags tell which fault.
inline constexpr std::uint32_t kFloatMultipleFaults = 0xC00002B4;
inline constexpr std::uint32_t kFloatMultipleTraps = 0xC00002B5;

// Exception flags as MXCSR (and the x87 status word) order them.
inline constexpr unsigned kFlagInvalid = 0x01;
inline constexpr unsigned kFlagDenormal = 0x02;
inline constexpr unsigned kFlagZeroDivide = 0x04;
inline constexpr unsigned kFlagOverflow = 0x08;
inline constexpr unsigned kFlagUnderflow = 0x10;
inline constexpr unsigned kFlagPrecision = 0x20;

struct FaultClass {
  std::uint16_t number = 0;  // the runtime error
  bool resetFpu = false;     // the floating-point unit is reset before it is raised
};

// floatFlags: the raised, unmasked exception flags, read for the two
// "multiple" codes only.
FaultClass ClassifyException(std::uint32_t code, unsigned floatFlags);

// Whether the instruction at bytes (length available) is a prefetch; an
// access violation raised by one is no error.
bool IsPrefetchInstruction(const std::uint8_t* bytes, std::size_t length);

}  // namespace runtime
