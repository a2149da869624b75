#include "fract/fract.hpp"

namespace {
constexpr float kEscapeBound = 32.0f;
constexpr int kStepCap = 50;
constexpr std::uint8_t kNeverEscaped = 15;
}  // namespace

void CREATE_MANDEL(float xstep, float ystep, float xoff, float yoff, maparr& map) {
  for (auto& column : map) column.fill(0);

  for (int y = -50; y <= 49; ++y) {
    for (int x = -80; x <= 79; ++x) {
      const float re = static_cast<float>(static_cast<long double>(x) * xstep + xoff);
      const float im = static_cast<float>(static_cast<long double>(y) * ystep + yoff);
      tcomplex z = COMPLEX(re, im);
      const tcomplex c = COMPLEX(0.11f, -0.66f);
      int k = 0;
      for (;;) {
        const long double s =
            static_cast<long double>(z.re) * z.re + static_cast<long double>(z.im) * z.im;
        if (!(s < kEscapeBound) || k == kStepCap) break;
        z = (z * z) - c;
        ++k;
      }
      map[x + 80][y + 50] =
          k == kStepCap ? kNeverEscaped : static_cast<std::uint8_t>(64 - (k % 16));
    }
  }
}
