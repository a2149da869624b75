#include "app/scene.hpp"

#include "fract/fract.hpp"

namespace app {

float xstep;
float ystep;
float xoff;
float yoff;
maparr map;
tpixelarr points;
std::int32_t pointcount;

void SetUpScene() {
  xstep = 0.02f;
  ystep = 0.02f;
  xoff = 0.2f;
  yoff = 0.0f;
  CREATE_MANDEL(xstep, ystep, xoff, yoff, map);

  // Points are numbered in the order the map stores its cells, column by
  // column, so point n takes the value of map byte n.
  std::size_t n = 0;
  for (int x = -80; x <= 79; ++x) {
    for (int y = -50; y <= 49; ++y) {
      const float v = map[x + 80][y + 50];
      points[4 * n] = static_cast<float>(x);
      points[4 * n + 1] = static_cast<float>(y);
      points[4 * n + 2] = v;
      points[4 * n + 3] = v;
      ++n;
    }
  }
  pointcount = 16000;
}

}  // namespace app
