// Sine and cosine of a 32-bit float in the extended format, correctly
// rounded to the 64-bit significand; used by both implementations.
#pragma once

#include "extended/soft.hpp"

namespace extended::soft {

// Of an infinity: invalid. Of a NaN: the NaN.
Value Sin(float x, unsigned& flags);
Value Cos(float x, unsigned& flags);

}  // namespace extended::soft
