// Sine and cosine of a 32-bit float in the extended format, correctly
// rounded to the 64-bit significand; used by both implementations.
#pragma once

#include <cstdint>

#include "extended/soft.hpp"

namespace extended::soft {

// Of an infinity: invalid. Of a NaN: the NaN.
Value Sin(float x, unsigned& flags);
Value Cos(float x, unsigned& flags);

// How many evaluations so far needed the wider, slower approximation
// because the first lay too near a rounding midpoint. Any thread.
std::uint64_t SlowEvaluations();

}  // namespace extended::soft
