// The program's extended format: a 64-bit significand, round to nearest
// even, and exactly the operations the program computes with. Products of two
// floats are exact in it; every result is rounded once to the 64-bit
// significand, and once more when it is stored as a float.
//
// Two implementations behind these names, chosen when the program is built:
// the x87 unit where long double is its format (x86 with g++ or clang), and
// integer arithmetic everywhere else, or where FRACTALS_SOFT_EXTENDED is
// defined. Both give the same bits. Faults are the runtime's: the x87 unit
// traps on invalid operation, division by zero and overflow; the software
// raises the same runtime errors (207, 200, 205) itself.
//
// The interface, in both:
//   Extended FromFloat(float), FromInt(std::int32_t)      exact
//   +, -, *                                               rounded once
//   MulFloat(float, Extended)       a float times an extended value, and
//   MulFloats(float, float)         a float times a float (exact): the bits
//                                   of FromFloat(f) * b, in fewer steps
//   <                                                     a NaN is invalid
//   float ToFloat(Extended)                 nearest float, ties to even
//   std::int64_t RoundToInt64(Extended)     nearest integer, ties to even;
//                                           out of range or NaN: invalid
//   Extended Sin(float), Cos(float)         correctly rounded, the same on
//                                           every target
//   Extended FromBits(signExponent, significand), soft::Bits80 ToBits(e)
//                                           the 80-bit image
#pragma once

#include <cfloat>

#include "extended/soft.hpp"
#include "extended/soft_float_products.hpp"
#include "extended/trig.hpp"

#if !defined(FRACTALS_SOFT_EXTENDED) && LDBL_MANT_DIG == 64 && \
    (defined(__x86_64__) || defined(__i386__))
#define FRACTALS_EXTENDED_HARDWARE 1
#endif

namespace extended {

// Ends the program with the runtime error for the first of the exceptions in
// flags (soft::kInvalid 207, kZeroDivide 200, kOverflow 205), reported at the
// caller's code.
[[noreturn]] void RaiseFault(unsigned flags);

}  // namespace extended

#if defined(FRACTALS_EXTENDED_HARDWARE)
#include "extended/hardware.hpp"
#else
#include "extended/software.hpp"
#endif
