// Types shared by the fractal, the scene and the renderer.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

// Every stored real is a 32-bit float; arithmetic runs in the extended
// format (extended/) and is rounded once when stored.
static_assert(std::numeric_limits<float>::is_iec559 && sizeof(float) == 4);

// Height map: 160 columns of 100 rows, column by column. Grid point (x, y)
// lives at column x + 80, row y + 50.
using maparr = std::array<std::array<std::uint8_t, 100>, 160>;

// A complex number held in two 32-bit floats, real part first.
struct tcomplex {
  float re;
  float im;
};
static_assert(sizeof(tcomplex) == 8);

// Point-cloud storage: four floats (x, y, z, colour value) per point.
inline constexpr std::size_t kPixelArrSize = 4096001;
using tpixelarr = std::array<float, kPixelArrSize>;
