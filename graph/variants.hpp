// The variants the operation slots hold.
#pragma once

#include <cstdint>

namespace graph {

// Outside graphics mode: report and end the program with exit code 1.
void PutPixelDefault(std::int16_t x, std::int16_t y, std::uint16_t colour);
void HLineDefault(std::int16_t x1, std::int16_t x2, std::int16_t y);

// Window modes: draw into the memory image, which the window thread shows.
void PutPixelWindow(std::int16_t x, std::int16_t y, std::uint16_t colour);
void HLineWindow(std::int16_t x1, std::int16_t x2, std::int16_t y);

// Every mode: the viewport filled row by row through HLine.
void ClearViewPortGeneral();

}  // namespace graph
