// Entering and leaving graphics mode, and the state it leaves behind.
#include <algorithm>

#include "graph/graph.hpp"
#include "modes.hpp"
#include "variants.hpp"
#include "window_thread.hpp"

namespace graph {

bool IsGraphMode = false;
std::int16_t GraphResult = grOk;
std::int16_t MaxX = 0;
std::int16_t MaxY = 0;
std::int32_t MaxColor = 0;
std::int32_t PaletteSize = 0;
std::int16_t IntCurrentDriver = 0;
std::int16_t IntCurrentNewDriver = 0;
std::int16_t IntCurrentMode = 0;
std::string DriverPath;

std::int16_t StartXViewPort = 0;
std::int16_t StartYViewPort = 0;
std::int16_t ViewWidth = 0;
std::int16_t ViewHeight = 0;
bool ClipPixels = true;

std::int16_t CurrentX = 0;
std::int16_t CurrentY = 0;
std::uint16_t CurrentColor = 0;
std::uint16_t CurrentBkColor = 0;
std::uint16_t CurrentWriteMode = 0;

std::vector<RGBRec> Pal;

namespace {

constexpr std::int16_t DetectDriver = 0;
constexpr std::int16_t DetectMode = 30000;

bool InResolutionModes(std::int16_t mode) {
  return mode >= FirstResolutionMode && mode <= LastResolutionMode;
}

void FreePalette() {
  Pal.clear();
  Pal.shrink_to_fit();
}

}  // namespace

void InitGraph(std::int16_t& driver, std::int16_t& mode, std::string_view path) {
  // A second InitGraph first ends the window of the first.
  if (IsGraphMode) CloseGraph();
  IntCurrentMode = 0;
  IntCurrentDriver = 0;
  IntCurrentNewDriver = 0;
  MaxX = 0;
  MaxY = 0;
  MaxColor = 0;
  PaletteSize = 0;
  DefaultHooks();

  DriverPath = path;
  if (!DriverPath.empty() && DriverPath.back() != '\\') DriverPath += '\\';

  // Automatic selection is not offered: no mode answers it.
  if (driver == DetectDriver || mode == DetectMode || SearchMode(driver, mode) == nullptr) {
    GraphResult = grInvalidMode;
    return;
  }
  GraphResult = grOk;
  IntCurrentDriver = driver;
  IntCurrentNewDriver = (driver >= 11 && driver <= 21) ? driver : -1;
  SetGraphMode(mode);
}

void SetGraphMode(std::int16_t mode) {
  const ModeInfo* found =
      SearchMode(InResolutionModes(mode) ? IntCurrentNewDriver : IntCurrentDriver, mode);
  if (found == nullptr) {
    GraphResult = grInvalidMode;
    return;
  }
  const ModeInfo selected = *found;
  DefaultHooks();
  PutPixel = PutPixelWindow;
  HLine = HLineWindow;

  IntCurrentMode = selected.ModeNumber;
  MaxX = selected.MaxX;
  MaxY = selected.MaxY;
  MaxColor = selected.MaxColor;
  PaletteSize = selected.PaletteSize;

  const std::size_t colours =
      std::min<std::size_t>(static_cast<std::size_t>(MaxColor), DefaultColors.size());
  Pal.assign(DefaultColors.begin(), DefaultColors.begin() + static_cast<std::ptrdiff_t>(colours));
  if (!StartWindowThread()) {
    GraphResult = grError;
    FreePalette();
  }
  if (GraphResult != grOk) {
    DefaultHooks();
    return;
  }
  IsGraphMode = true;
  SetWholeSurfaceViewPort();
  GraphDefaults();
}

void SetWholeSurfaceViewPort() {
  StartXViewPort = 0;
  StartYViewPort = 0;
  ViewWidth = MaxX;
  ViewHeight = MaxY;
  ClipPixels = true;
}

void GraphDefaults() {
  CurrentColor = 15;
  CurrentX = 0;
  CurrentY = 0;
  CurrentWriteMode = 0;
  CurrentBkColor = 0;
  if (!Pal.empty()) Pal[0] = DefaultColors[0];
}

void CloseGraph() {
  if (!IsGraphMode) {
    GraphResult = grNoInitGraph;
    return;
  }
  // The palette stays while the program thread may still be drawing.
  if (StopWindowThread()) FreePalette();
  IsGraphMode = false;
}

std::int16_t GetMaxX() { return MaxX; }
std::int16_t GetMaxY() { return MaxY; }
std::uint16_t GetMaxColor() { return static_cast<std::uint16_t>(MaxColor - 1); }

bool WindowClosed() { return IsGraphMode && !GraphRunning; }

}  // namespace graph
