// The graphics module: display modes, the palette and the drawing operations
// the program uses. Everything here is called on the program thread unless a
// comment says otherwise.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// One palette entry; each component 0 to 252.
struct RGBRec {
  std::int16_t Red = 0;
  std::int16_t Green = 0;
  std::int16_t Blue = 0;
};

// --- State ------------------------------------------------------------------

extern bool IsGraphMode;
// Status of the last InitGraph or CloseGraph: 0, -10 (no such mode), -11 (the
// window could not be opened), -1 (CloseGraph outside graphics mode).
extern std::int16_t GraphResult;

inline constexpr std::int16_t grOk = 0;
inline constexpr std::int16_t grError = -11;
inline constexpr std::int16_t grInvalidMode = -10;
inline constexpr std::int16_t grNoInitGraph = -1;

extern std::int16_t MaxX;
extern std::int16_t MaxY;
extern std::int32_t MaxColor;
extern std::int32_t PaletteSize;
extern std::int16_t IntCurrentDriver;
extern std::int16_t IntCurrentNewDriver;
extern std::int16_t IntCurrentMode;
extern std::string DriverPath;

extern std::int16_t StartXViewPort;
extern std::int16_t StartYViewPort;
extern std::int16_t ViewWidth;   // viewport width minus one
extern std::int16_t ViewHeight;  // viewport height minus one
extern bool ClipPixels;

extern std::int16_t CurrentX;
extern std::int16_t CurrentY;
extern std::uint16_t CurrentColor;
extern std::uint16_t CurrentBkColor;
extern std::uint16_t CurrentWriteMode;

// The current palette, MaxColor entries while a mode is selected.
extern std::vector<RGBRec> Pal;
extern const std::array<RGBRec, 256> DefaultColors;

// The pixel a palette entry draws in the memory image: 0x00RRGGBB, the
// components as they stand (252 is the brightest; no scaling to 255).
// Inline: every PutPixel forms one.
inline std::uint32_t PixelValue(RGBRec entry) {
  return (static_cast<std::uint32_t>(entry.Red) << 16) |
         (static_cast<std::uint32_t>(entry.Green) << 8) | static_cast<std::uint32_t>(entry.Blue);
}

// --- Operation slots ----------------------------------------------------------

// Outside graphics mode they hold variants that report and end the program; a
// successful InitGraph installs the window variants.
extern void (*PutPixel)(std::int16_t x, std::int16_t y, std::uint16_t colour);
// A line of CurrentColor from x1 to x2 inclusive, in viewport coordinates.
extern void (*HLine)(std::int16_t x1, std::int16_t x2, std::int16_t y);
extern void (*ClearViewPort)();

// Installs the reporting variants in every slot.
void DefaultHooks();

// --- Operations -----------------------------------------------------------------

void InitGraph(std::int16_t& driver, std::int16_t& mode, std::string_view path);
void SetGraphMode(std::int16_t mode);
void GraphDefaults();
// The viewport: the whole surface, with clipping.
void SetWholeSurfaceViewPort();
void ClearDevice();
void CloseGraph();

std::int16_t GetMaxX();
std::int16_t GetMaxY();
std::uint16_t GetMaxColor();

// The program pauses its drawing (Delay, waiting for a key): what it drew
// since its last pause reaches the window as one frame.
void PauseDrawing();

// Graphics mode is on but its window is gone (closed from outside).
bool WindowClosed();

// Module initialisation: the mode table from the screen's metrics, graphics
// mode off, the exit step, the window hooks cleared.
void InitModule();

}  // namespace graph
