// Complex arithmetic, the Julia height map and the window start-up.
#pragma once

#include <cstdint>

#include "extended/extended.hpp"
#include "main_types/main_types.hpp"

// Stores the two components bit for bit.
inline tcomplex COMPLEX(float re, float im) { return tcomplex{re, im}; }

// Each component is formed in extended precision and rounded once to 32 bits.
// Inline: the height map takes up to 800,000 steps of both.
inline tcomplex operator-(tcomplex a, tcomplex b) {
  using extended::FromFloat;
  using extended::ToFloat;
  return tcomplex{ToFloat(FromFloat(a.re) - FromFloat(b.re)),
                  ToFloat(FromFloat(a.im) - FromFloat(b.im))};
}

inline tcomplex operator*(tcomplex a, tcomplex b) {
  // Products of two 32-bit values are exact in the 64-bit significand; the
  // sum or difference is rounded to it, then once more to 32 bits.
  using extended::FromFloat;
  using extended::ToFloat;
  const auto are = FromFloat(a.re), aim = FromFloat(a.im);
  const auto bre = FromFloat(b.re), bim = FromFloat(b.im);
  return tcomplex{ToFloat(are * bre - aim * bim), ToFloat(aim * bre + are * bim)};
}

// Fills map with the escape values of z <- z*z - c, c = 0.11 - 0.66i, started
// at (x*xstep + xoff) + (y*ystep + yoff)i for every grid point: 15 when z never
// leaves the disc |z|^2 < 32 within 50 steps, else 64 - (steps mod 16).
void CREATE_MANDEL(float xstep, float ystep, float xoff, float yoff, maparr& map);

// Opens the 256-colour graphics window in the given mode, captions it
// "Fractals" and greys its Close command. Program thread.
void INITGRAPHMODE(std::int16_t mode);
