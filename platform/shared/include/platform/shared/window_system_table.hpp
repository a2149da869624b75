// Where more than one window system is built into a program (Linux: X11 and
// Wayland), each fills one of these tables, and the start-up picks one of
// them: platform/window_system.hpp's functions that are not the shared
// model's go through the chosen table. Where one is built, the backend
// defines those functions itself and no table is needed.
#pragma once

#include <span>
#include <string>

#include "platform/shared/window_model.hpp"
#include "platform/window_system.hpp"

namespace platform::shared {

struct WindowSystemTable {
  const char* name = nullptr;  // as FRACTALS_WINDOW_SYSTEM names it
  // The environment variable whose being set (not empty) picks this one
  // when nothing is forced; null for none.
  const char* displayVariable = nullptr;
  BackendHooks hooks;

  int (*GetSystemMetrics)(int index) = nullptr;
  int (*DisplayScale)(Window window) = nullptr;
  bool (*RegisterWindowClass)(WindowProc proc) = nullptr;
  Window (*CreateGraphWindow)(const char* caption, std::uint32_t style, int x, int y, int width,
                              int height) = nullptr;
  Rect (*AdjustWindowRect)(Rect client, std::uint32_t style) = nullptr;
  void (*SetWindowSize)(Window window, int width, int height) = nullptr;
  void (*ShowWindow)(Window window, int command) = nullptr;
  Image (*AllocateImage)(int width, int height) = nullptr;
  void (*FreeImage)(Image& image) = nullptr;
  bool (*CreateSurfaces)(Window window, const Image& image, int scale) = nullptr;
  void (*DestroySurfaces)(Window window) = nullptr;
  void (*ShowImage)(Window window, Rect rect) = nullptr;
  void (*GreyCloseCommand)(Window window) = nullptr;
  void (*MessageBox)(const char* text, const char* caption, void (*shown)()) = nullptr;
  bool (*ErrorOutputIsCharacterDevice)() = nullptr;
  void (*SetFatalErrorHandler)(FatalErrorHandler handler) = nullptr;
};

// How the start-up picks among the built tables, first match wins:
// forced (FRACTALS_WINDOW_SYSTEM) names one; else the first whose display
// variable is set; else the last, whose start then fails as it would without
// a display. A forced name that is not built gives index -1 and the one line
// that says so. environment looks a variable up (null: not set).
struct WindowSystemChoice {
  int index = -1;
  std::string problem;
};
WindowSystemChoice PickWindowSystem(std::span<const WindowSystemTable* const> tables,
                                    const char* forced,
                                    const char* (*environment)(const char* name));

}  // namespace platform::shared
