// The in-process window system's own state, shared by its source files.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory/memory_control.hpp"
#include "platform/window_system.hpp"

namespace platform::memory {

// What the in-process system keeps of a window beside the shared model's
// record (owner, procedure, visibility, update region).
struct WindowRecord {
  std::string caption;
  std::uint32_t style = 0;
  bool closeGreyed = false;
  int clientWidth = 0;
  int clientHeight = 0;
  int outerWidth = 0;
  int outerHeight = 0;
  Placement requested;  // as CreateGraphWindow was called
  // The memory image (the graphics module's, imageWidth x imageHeight), and
  // the client area as the user sees it (clientWidth x clientHeight).
  Image image;
  std::vector<std::uint32_t> surface;
  int imageWidth = 0;
  int imageHeight = 0;
  int scale = 1;  // each image pixel a scale x scale block of the surface
};

inline constexpr int MetricCount = 100;  // beyond SM_CXPADDEDBORDER (92)

struct State {
  std::mutex lock;
  std::map<Window, WindowRecord> windows;
  Window nextWindow = 0x10;
  bool failRegistration = false;
  bool failCreation = false;
  bool failSurfaces = false;
  // What the frame a window really gets is wider and taller than
  // AdjustWindowRect says.
  int frameSurplusX = 0;
  int frameSurplusY = 0;
  int displayScale = 1;
  std::array<int, MetricCount> metrics{};
  FatalErrorHandler fatalErrorHandler = nullptr;
};

// Lock held for all of these but TheState.
State& TheState();
WindowRecord* FindWindowRecord(Window window);
void ResetMetricsLocked();
// A 1280 x 1024 screen with the frame of Windows 10 at 96 DPI: 4-pixel
// frames, a 4-pixel padded border, a 23-pixel caption.
void DefaultMetrics(std::array<int, MetricCount>& metrics);
// Frame and caption around a client area, as Windows sizes them.
int FrameWidthLocked();
int FrameHeightLocked();

}  // namespace platform::memory
