// Mode registration and search.
#include "modes.hpp"

#include <algorithm>

#include "platform/window_system.hpp"

namespace graph {

namespace {

constexpr std::int16_t FirstDepthDriver = 11;
constexpr std::int16_t LastDepthDriver = 21;

std::vector<ModeInfo> AllModes;
std::array<std::vector<ModeInfo>, LastDepthDriver - FirstDepthDriver + 1> DepthLists;
const std::vector<ModeInfo> NoModes;

bool IsDepthDriver(std::int16_t driver) {
  return driver >= FirstDepthDriver && driver <= LastDepthDriver;
}

// Ordered by MaxX, then MaxY; an entry of the same size is replaced in place.
void EnterDepthList(std::vector<ModeInfo>& list, const ModeInfo& mode) {
  const auto place = std::find_if(list.begin(), list.end(), [&](const ModeInfo& entry) {
    return entry.MaxX > mode.MaxX || (entry.MaxX == mode.MaxX && entry.MaxY >= mode.MaxY);
  });
  if (place != list.end() && place->MaxX == mode.MaxX && place->MaxY == mode.MaxY) {
    *place = mode;
  } else {
    list.insert(place, mode);
  }
}

ModeInfo Mode(std::int16_t driver, std::int16_t number, int width, int height,
              std::int32_t colours) {
  return {
      driver,  number, static_cast<std::int16_t>(width - 1), static_cast<std::int16_t>(height - 1),
      colours, colours};
}

}  // namespace

std::int16_t DepthDriver(std::int32_t colours) {
  switch (colours) {
    case 2:
      return 11;
    case 4:
      return 12;
    case 16:
      return 13;
    case 64:
      return 14;
    case 256:
      return 15;
    case 4096:
      return 16;
    case 32768:
      return 17;
    case 65536:
      return 18;
    default:
      return -1;
  }
}

void AddMode(const ModeInfo& mode) {
  AllModes.push_back(mode);
  const std::int16_t driver = DepthDriver(mode.MaxColor);
  if (driver >= 0) EnterDepthList(DepthLists[driver - FirstDepthDriver], mode);
}

void FreeModeLists() {
  AllModes.clear();
  for (auto& list : DepthLists) list.clear();
}

void RegisterModes(int W, int H, int FW, int FH) {
  FreeModeLists();
  struct Row {
    int width, height;
    std::int16_t driver, number;
    std::int32_t colours;
  };
  static constexpr Row fixed[] = {
      {640, 480, 9, 2, 16},      {640, 200, 9, 0, 16},       {640, 350, 9, 1, 16},
      {640, 400, 10, 256, 256},  {640, 480, 10, 257, 256},   {800, 600, 10, 258, 16},
      {800, 600, 10, 259, 256},  {1024, 768, 10, 260, 16},   {1024, 768, 10, 261, 256},
      {1280, 1024, 10, 262, 16}, {1280, 1024, 10, 263, 256},
  };
  for (const Row& row : fixed) {
    if (W >= row.width && H >= row.height) {
      AddMode(Mode(row.driver, row.number, row.width, row.height, row.colours));
    }
  }
  AddMode(Mode(10, 240, W, H, 16));
  AddMode(Mode(10, 241, W, H, 256));
  AddMode(Mode(10, 245, FW, FH, 16));
  AddMode(Mode(10, 246, FW, FH, 256));
}

void QueryAdapterInfo() {
  using namespace platform;
  const int W = GetSystemMetrics(SM_CXSCREEN) - 2 * GetSystemMetrics(SM_CXFRAME);
  const int H = GetSystemMetrics(SM_CYSCREEN) - 2 * GetSystemMetrics(SM_CYFRAME) -
                GetSystemMetrics(SM_CYCAPTION);
  RegisterModes(W, H, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN));
}

const std::vector<ModeInfo>& ModeList() { return AllModes; }

const std::vector<ModeInfo>& DepthList(std::int16_t driver) {
  return IsDepthDriver(driver) ? DepthLists[driver - FirstDepthDriver] : NoModes;
}

const ModeInfo* SearchMode(std::int16_t driver, std::int16_t mode) {
  if (IsDepthDriver(driver)) {
    const std::vector<ModeInfo>& list = DepthList(driver);
    if (mode >= FirstResolutionMode && mode <= LastResolutionMode) {
      const Resolution size = Resolutions[mode - FirstResolutionMode];
      for (const ModeInfo& entry : list) {
        if (entry.MaxX == size.Width - 1 && entry.MaxY == size.Height - 1) return &entry;
      }
      return nullptr;
    }
    if (mode >= 1 && static_cast<std::size_t>(mode) <= list.size()) return &list[mode - 1];
    return nullptr;
  }
  for (const ModeInfo& entry : AllModes) {
    if (entry.DriverNumber == driver && entry.ModeNumber == mode) return &entry;
  }
  return nullptr;
}

}  // namespace graph
