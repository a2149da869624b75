// The default 256-colour palette and the colour values drawn from it.
#include <array>
#include <cstdint>

#include "graph/graph.hpp"

namespace graph {

namespace {

using Levels = std::array<std::int16_t, 5>;

constexpr RGBRec Grey(std::int16_t v) { return {v, v, v}; }

// Sixteen EGA colours, sixteen greys, then nine groups of 24 hues walking from
// blue through magenta, red, yellow, green and cyan back towards blue, then
// eight blacks: the VGA power-on palette with 6-bit components times four.
constexpr std::array<RGBRec, 256> BuildDefaultColors() {
  std::array<RGBRec, 256> colours{};
  constexpr std::array<RGBRec, 16> ega = {{{0, 0, 0},
                                           {0, 0, 168},
                                           {0, 168, 0},
                                           {0, 168, 168},
                                           {168, 0, 0},
                                           {168, 0, 168},
                                           {168, 84, 0},
                                           {168, 168, 168},
                                           {84, 84, 84},
                                           {84, 84, 252},
                                           {84, 252, 84},
                                           {84, 252, 252},
                                           {252, 84, 84},
                                           {252, 84, 252},
                                           {252, 252, 84},
                                           {252, 252, 252}}};
  constexpr std::array<std::int16_t, 16> greys = {0,   20,  32,  44,  56,  68,  80,  96,
                                                  112, 128, 144, 160, 180, 200, 224, 252};
  constexpr std::array<Levels, 9> groups = {{{0, 64, 124, 188, 252},
                                             {124, 156, 188, 220, 252},
                                             {180, 196, 216, 232, 252},
                                             {0, 28, 56, 84, 112},
                                             {56, 68, 84, 96, 112},
                                             {80, 88, 96, 104, 112},
                                             {0, 16, 32, 48, 64},
                                             {32, 40, 48, 56, 64},
                                             {44, 48, 52, 60, 64}}};
  std::size_t n = 0;
  for (const RGBRec& c : ega) colours[n++] = c;
  for (const std::int16_t v : greys) colours[n++] = Grey(v);
  for (const Levels& a : groups) {
    for (int i = 0; i < 4; ++i) colours[n++] = {a[i], a[0], a[4]};
    for (int i = 0; i < 4; ++i) colours[n++] = {a[4], a[0], a[4 - i]};
    for (int i = 0; i < 4; ++i) colours[n++] = {a[4], a[i], a[0]};
    for (int i = 0; i < 4; ++i) colours[n++] = {a[4 - i], a[4], a[0]};
    for (int i = 0; i < 4; ++i) colours[n++] = {a[0], a[4], a[i]};
    for (int i = 0; i < 4; ++i) colours[n++] = {a[0], a[4 - i], a[4]};
  }
  while (n < colours.size()) colours[n++] = Grey(0);
  return colours;
}

}  // namespace

constinit const std::array<RGBRec, 256> DefaultColors = BuildDefaultColors();

}  // namespace graph
