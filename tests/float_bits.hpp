// Floats are compared by their bit patterns.
#pragma once

#include <bit>
#include <cstdint>

inline std::uint32_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }
inline float FromBits(std::uint32_t b) { return std::bit_cast<float>(b); }
