// The frame renderer: erases, rotates and redraws the point cloud.
#pragma once

#include <cstdint>

#include "main_types/main_types.hpp"

// Advances points 0 .. count-1 by one frame: each visible point is erased at
// its projected position, rotated about X, Y and Z by the three angles
// (stored back as 32-bit floats) and drawn again in colour value + 64.
// Points whose colour value rounds to 15 are never touched. Program thread.
void DRAW_AND_CALC(std::int32_t centrex, std::int32_t centrey, tpixelarr& points, float scale,
                   std::int32_t count, float anglex, float angley, float anglez);
