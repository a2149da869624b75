// Controls of the in-process window system for tests: what the user, the
// screen and other programs would do to a window, and what the window shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_system.hpp"

// --- Windows, messages and surfaces ---------------------------------------------
namespace platform::memory {

// Returned for a pixel outside the image or surface, or of no window.
inline constexpr std::uint32_t NoPixel = 0xFFFFFFFF;

// Screen metrics as GetSystemMetrics reports them (SM_... indices); the
// defaults are a 1280 x 1024 screen. Any thread.
void SetSystemMetric(int index, int value);
void ResetSystemMetrics();

// The work areas of the monitors, in screen coordinates; a new window
// opens at the top left of the first. None (as ResetSystemMetrics leaves
// it): one monitor, all of SM_CXSCREEN x SM_CYSCREEN. Any thread.
void SetWorkAreas(std::vector<Rect> areas);
// The frame a window manager draws outside every window, as thicknesses;
// none after ResetSystemMetrics. Any thread.
void SetWindowManagerFrame(Rect frame);

// Makes the next class registrations or window creations fail, or the
// surfaces made at WM_CREATE. Any thread.
void FailWindowRegistration(bool fail);
void FailWindowCreation(bool fail);
void FailSurfaces(bool fail);
// Surfaces for a scale above most fail from now on, as a system short of
// memory would refuse large ones; 0, or FailSurfaces(false), lifts it.
void FailSurfacesAbove(int most);
// Windows made from now on get a frame this much wider and taller than
// AdjustWindowRect reports (a frame of the window manager's own, a changed
// DPI). Any thread.
void SetFrameSurplus(int width, int height);
// What DisplayScale reports from now on; 1 at start. Any thread.
void SetDisplayScale(int scale);

// Blocks until every window thread has handled all it was sent or posted,
// repaints included, and waits for more. Any thread but a window thread.
void WaitUntilIdle();

// What the user or another program does to a window. Any thread.
// Marks rect for a repaint, as uncovering that part would.
void InvalidateRect(Window window, Rect rect);
// Overwrites rect of the client area, as a window passing over it would.
void SpoilSurface(Window window, Rect rect, std::uint32_t pixel);
// WM_CLOSE, as the window manager's Close would post it.
void PostCloseFromOutside(Window window);

// A top-level window of another program, with its caption; it takes no
// messages. Any thread.
Window CreateForeignWindow(const char* caption);
void DestroyForeignWindow(Window window);
// The first top-level window with that caption, or 0. Any thread.
Window FindWindowByCaption(const char* caption);

// What a window is and shows. Any thread; the image is written by the
// drawing thread without this system's lock, so read it from that thread.
bool WindowExists(Window window);
bool WindowVisible(Window window);
std::string Caption(Window window);
bool CloseGreyed(Window window);
std::uint32_t Style(Window window);
Rect ClientRect(Window window);
// The outer size the window was last given, as {0, 0, width, height}.
Rect OuterRect(Window window);
// Where that outer rectangle is, in screen coordinates.
Rect ScreenRect(Window window);
// Where and how large (frame included) the window was asked to be.
struct Placement {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
Placement RequestedPlacement(Window window);
int PaintCount(Window window);  // WM_PAINT messages the window procedure got
std::uint32_t ImagePixel(Window window, int x, int y);
std::uint32_t SurfacePixel(Window window, int x, int y);
// The client area shows the image wherever both exist.
bool SurfaceShowsImage(Window window);

// Calls the handler given to SetFatalErrorHandler, as a broken display would.
void RaiseFatalError(const char* text);

}  // namespace platform::memory

// --- Message boxes and the error output ------------------------------------------
namespace platform::memory {

struct ShownMessageBox {
  std::string caption;
  std::string text;
};

// The message boxes shown so far, oldest first. Any thread.
std::vector<ShownMessageBox> MessageBoxes();
void ClearMessageBoxes();

// What ErrorOutputIsCharacterDevice reports; false at start. Any thread.
void SetErrorOutputIsCharacterDevice(bool isCharacterDevice);

}  // namespace platform::memory
