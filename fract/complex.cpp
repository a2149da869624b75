#include "fract/fract.hpp"

tcomplex COMPLEX(float re, float im) { return tcomplex{re, im}; }

tcomplex operator-(tcomplex a, tcomplex b) {
  const long double re = static_cast<long double>(a.re) - b.re;
  const long double im = static_cast<long double>(a.im) - b.im;
  return tcomplex{static_cast<float>(re), static_cast<float>(im)};
}

tcomplex operator*(tcomplex a, tcomplex b) {
  // Products of two 32-bit values are exact in the 64-bit significand; the
  // sum or difference is rounded to it, then once more to 32 bits.
  const long double re =
      static_cast<long double>(a.re) * b.re - static_cast<long double>(a.im) * b.im;
  const long double im =
      static_cast<long double>(a.im) * b.re + static_cast<long double>(a.re) * b.im;
  return tcomplex{static_cast<float>(re), static_cast<float>(im)};
}
