// FNV-1a, 64 bits: a hash whose value depends only on the bytes given, in the
// order given, on every compiler and CPU. Wider values are fed little-endian.
#pragma once

#include <bit>
#include <cstdint>

namespace golden {

struct Fnv1a {
  std::uint64_t value = 0xCBF29CE484222325u;

  void Add(std::uint8_t byte) {
    value ^= byte;
    value *= 0x100000001B3u;
  }
  void Add16(std::uint16_t v) {
    Add(static_cast<std::uint8_t>(v));
    Add(static_cast<std::uint8_t>(v >> 8));
  }
  void Add32(std::uint32_t v) {
    Add16(static_cast<std::uint16_t>(v));
    Add16(static_cast<std::uint16_t>(v >> 16));
  }
  void AddFloat(float f) { Add32(std::bit_cast<std::uint32_t>(f)); }
};

}  // namespace golden
