#include "fract/fract.hpp"

namespace {
using extended::Extended;
using extended::FromFloat;
using extended::FromInt;
using extended::ToFloat;

constexpr float kEscapeBound = 32.0f;
constexpr int kStepCap = 50;
constexpr std::uint8_t kNeverEscaped = 15;
}  // namespace

void CREATE_MANDEL(float xstep, float ystep, float xoff, float yoff, maparr& map) {
  for (auto& column : map) column.fill(0);
  const Extended bound = FromFloat(kEscapeBound);

  for (int y = -50; y <= 49; ++y) {
    for (int x = -80; x <= 79; ++x) {
      const float re = ToFloat(FromInt(x) * FromFloat(xstep) + FromFloat(xoff));
      const float im = ToFloat(FromInt(y) * FromFloat(ystep) + FromFloat(yoff));
      tcomplex z = COMPLEX(re, im);
      const tcomplex c = COMPLEX(0.11f, -0.66f);
      int k = 0;
      for (;;) {
        const Extended re2 = FromFloat(z.re) * FromFloat(z.re);
        const Extended s = re2 + FromFloat(z.im) * FromFloat(z.im);
        if (!(s < bound) || k == kStepCap) break;
        z = (z * z) - c;
        ++k;
      }
      map[x + 80][y + 50] =
          k == kStepCap ? kNeverEscaped : static_cast<std::uint8_t>(64 - (k % 16));
    }
  }
}
