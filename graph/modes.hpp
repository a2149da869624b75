// The display modes registered at start from the screen's metrics, and the
// per-colour-depth lists that drivers 11 to 21 address.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace graph {

struct ModeInfo {
  std::int16_t DriverNumber = 0;
  std::int16_t ModeNumber = 0;
  std::int16_t MaxX = 0;
  std::int16_t MaxY = 0;
  std::int32_t MaxColor = 0;
  std::int32_t PaletteSize = 0;
};

struct Resolution {
  std::int16_t Width;
  std::int16_t Height;
};

// Modes 30001 to 30015, in order.
inline constexpr std::int16_t FirstResolutionMode = 30001;
inline constexpr std::int16_t LastResolutionMode = 30015;
inline constexpr std::array<Resolution, 15> Resolutions = {{{320, 200},
                                                            {320, 256},
                                                            {320, 400},
                                                            {512, 384},
                                                            {640, 200},
                                                            {640, 256},
                                                            {640, 350},
                                                            {640, 400},
                                                            {640, 480},
                                                            {800, 600},
                                                            {832, 624},
                                                            {1024, 768},
                                                            {1280, 1024},
                                                            {1600, 1200},
                                                            {2048, 1536}}};

// The driver of the list a number of colours enters, or -1 for none.
std::int16_t DepthDriver(std::int32_t colours);

// Registers the mode table for room W x H (framed window) and FW x FH
// (maximised window), replacing whatever was registered before.
void RegisterModes(int W, int H, int FW, int FH);
// The same, with the room measured from the window system's metrics.
void QueryAdapterInfo();
// Registers one mode into the complete list and its depth list.
void AddMode(const ModeInfo& mode);
void FreeModeLists();

// The complete list in registration order, and the list of depth driver d
// (11 to 21) in list order: its entry numbered n is element n - 1.
const std::vector<ModeInfo>& ModeList();
const std::vector<ModeInfo>& DepthList(std::int16_t driver);

// The mode InitGraph selects for (driver, mode), or null.
const ModeInfo* SearchMode(std::int16_t driver, std::int16_t mode);

}  // namespace graph
