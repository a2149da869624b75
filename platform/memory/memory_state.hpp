// The in-process window system's own state, shared by its source files.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/memory/memory_control.hpp"
#include "platform/window_system.hpp"

namespace platform::memory {

struct WindowRecord {
  ThreadId owner = 0;  // 0: a window of another program, which takes no messages
  WindowProc proc = nullptr;
  std::string caption;
  std::uint32_t style = 0;
  bool closeGreyed = false;
  bool visible = false;
  int clientWidth = 0;
  int clientHeight = 0;
  int outerWidth = 0;
  int outerHeight = 0;
  int left = 0;  // of the outer rectangle, screen coordinates
  int top = 0;
  Placement requested;  // as CreateGraphWindow was called
  Rect update;          // needs a repaint; empty when valid
  // The memory image (the graphics module's, imageWidth x imageHeight), and
  // the client area as the user sees it (clientWidth x clientHeight).
  Image image;
  std::vector<std::uint32_t> surface;
  int imageWidth = 0;
  int imageHeight = 0;
  int scale = 1;  // each image pixel a scale x scale block of the surface
  int paints = 0;
};

// A message handed to another thread's window procedure; the sender waits
// until done.
struct SentMessage {
  Window window = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  bool done = false;
};

struct ThreadQueue {
  std::deque<Message> posted;
  std::deque<SentMessage*> sent;
  bool quit = false;
  bool busy = true;  // handling a message, or not yet in its message loop
};

inline constexpr int MetricCount = 100;  // beyond SM_CXPADDEDBORDER (92)

struct State {
  std::mutex lock;
  // Signalled on every change: new messages, handled messages, idle threads.
  std::condition_variable changed;
  std::map<Window, WindowRecord> windows;
  std::map<ThreadId, ThreadQueue> queues;
  Window nextWindow = 0x10;
  WindowProc classProc = nullptr;
  bool failRegistration = false;
  bool failCreation = false;
  bool failSurfaces = false;
  int mostSurfaceScale = 0;  // 0: any
  // What the frame a window really gets is wider and taller than
  // AdjustWindowRect says.
  int frameSurplusX = 0;
  int frameSurplusY = 0;
  int displayScale = 1;
  std::array<int, MetricCount> metrics{};
  std::vector<Rect> workAreas;  // none: the whole screen
  Rect windowManagerFrame;
  FatalErrorHandler fatalErrorHandler = nullptr;
};

// Lock held for all of these but TheState.
State& TheState();
WindowRecord* FindWindowRecord(Window window);
ThreadQueue& QueueOf(ThreadId thread);
void ResetMetricsLocked();
// A 1280 x 1024 screen with the frame of Windows 10 at 96 DPI: 4-pixel
// frames, a 4-pixel padded border, a 23-pixel caption.
void DefaultMetrics(std::array<int, MetricCount>& metrics);
// The monitors' work areas, the first where new windows open.
std::vector<Rect> WorkAreasLocked();
// Frame and caption around a client area, as Windows sizes them.
int FrameWidthLocked();
int FrameHeightLocked();
// Adds r to the window's update region, clipped to its client area.
void InvalidateLocked(WindowRecord& record, Rect r);

}  // namespace platform::memory
