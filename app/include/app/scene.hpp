// The scene: the view parameters, the height map and the point cloud.
#pragma once

#include <cstdint>

#include "main_types/main_types.hpp"

namespace app {

extern float xstep;
extern float ystep;
extern float xoff;
extern float yoff;
extern maparr map;
extern tpixelarr points;
extern std::int32_t pointcount;

// Computes the height map and builds the 16,000-point cloud from it.
void SetUpScene();

}  // namespace app
