// State shared by the files of the Wayland window system. Everything here is
// used by the window thread alone unless it says otherwise.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <vector>

#include "platform/shared/window_model.hpp"
#include "platform/wayland/wayland_table.hpp"
#include "platform/window_system.hpp"

struct xdg_wm_base;
struct xdg_surface;
struct xdg_toplevel;
struct zxdg_decoration_manager_v1;
struct zxdg_toplevel_decoration_v1;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;
struct zxdg_output_v1;
struct libdecor;
struct libdecor_frame;

namespace platform::wayland {

// --- Connection (connection_wayland.cpp) ---------------------------------------

struct Output {
  wl_output* output = nullptr;
  std::uint32_t name = 0;  // the registry's
  int scale = 1;
  int width = 0;  // the current mode, in the output's own pixels
  int height = 0;
  zxdg_output_v1* xdgOutput = nullptr;  // null where the compositor has no xdg-output
  int logicalWidth = 0;                 // the size the compositor lays it out at; 0: not said
  int logicalHeight = 0;
};

// The output's fractional scale in 120ths from its sizes, 0 where they do
// not say it.
int LogicalScale120(const Output& output);

// What the compositor offers; null where it does not.
struct Globals {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zxdg_decoration_manager_v1* decorations = nullptr;
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractionalScale = nullptr;
  wl_seat* seat = nullptr;
  std::vector<Output> outputs;
};

// The window thread's connection, opened for the window and closed when the
// thread ends; null while there is none.
extern wl_display* TheDisplay;
extern Globals TheGlobals;

// A connection to the compositor WAYLAND_DISPLAY names; null when there is
// none. Any thread.
wl_display* Connect();
// Connects to the compositor WAYLAND_DISPLAY names and learns its globals
// and outputs. Null when there is no compositor to talk to.
wl_display* OpenConnection();
void CloseConnection();

// A connection of its own and the outputs the compositor has, with whether
// it offers wp_viewporter, for another thread than the window thread (the
// metrics, the message box). The caller disconnects it. Any thread.
wl_display* ConnectAndListOutputs(std::vector<Output>& outputs, bool& viewporter);

// The connection broke or the compositor ended it with a protocol error:
// the fatal handler hears one line, and the program ends. Any thread.
[[noreturn]] void ConnectionLost(wl_display* display);

// Sends what is buffered; a broken connection ends the program.
void Flush();
// Reads what arrived (without blocking when wait is false; up to timeoutMs
// milliseconds when it is, -1: no limit) and dispatches it. false when the
// wait ran out with nothing read.
bool ReadAndDispatch(int timeoutMs);

// --- Keys (keyboard_wayland.cpp) -----------------------------------------------

// Listens to the seat's keyboard (as soon as the seat has one).
void ListenToSeat(wl_seat* seat);
void ReleaseKeyboard();
// Milliseconds until the held key repeats next; -1 when none repeats.
int MillisecondsToRepeat();
// Queues the repeats that are due.
void RepeatDueKeys();
// Forgets which keys are down, when a window goes.
void ResetKeyState();

// --- The graphics window (window_wayland.cpp) ----------------------------------

// One wl_shm buffer of the window's size; the compositor reads it between
// attach and release, so only a buffer not busy is written.
struct Buffer {
  wl_buffer* buffer = nullptr;
  std::uint32_t* pixels = nullptr;
  bool busy = false;
  Rect stale;  // what the image changed since this buffer was last filled
};

struct GraphWindowRecord {
  Window id = 0;  // 0: no window
  wl_surface* surface = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  zxdg_toplevel_decoration_v1* decoration = nullptr;
  libdecor_frame* frame = nullptr;  // client-side decorations, else null
  wp_viewport* viewport = nullptr;
  wp_fractional_scale_v1* fractional = nullptr;
  bool configured = false;
  bool hidden = true;
  int width = 0;  // client area, in the window's pixels, as created or last resized
  int height = 0;
  int logicalWidth = 0;  // what the compositor lays out
  int logicalHeight = 0;
  int outputScale = 1;   // the largest scale of the outputs the window is on
  int output120 = 0;     // the largest fractional scale their sizes give, in 120ths; 0: none
  int preferred120 = 0;  // the fractional scale the compositor prefers, in 120ths; 0: none
  Rect update;           // accumulated region needing a repaint (bounding box)
  Image image;           // the memory image, the graphics module's
  int scale = 0;         // the surfaces' scale, 0 while there are none
  int bufferWidth = 0;   // the buffers' size, in the output's pixels
  int bufferHeight = 0;
  std::vector<int> columnOf;  // the image column each buffer column shows
  std::vector<int> rowOf;
  Buffer buffers[2];
  Rect unshown;  // what could not be shown yet, since both buffers were busy
};
extern GraphWindowRecord TheWindow;
// The client-side decorations' context, while the window has them.
extern libdecor* TheDecorations;

// The compositor asked to close the window, or moved it between outputs.
void OnCloseRequest();
void OnScaleChanged();
// Sets the title the compositor or the decorations show.
void ApplyCaption(const char* text);
// Takes the Close action out of client-side decorations.
void GreyClose();
// The window's fractional scale in 120ths: the one the compositor prefers,
// else the one its outputs' sizes give; 0 where there is neither.
int FractionalScale120();
// The scale a window would get now: the fractional one in 120ths where the
// compositor lays out buffers of any size, else 120 x the output scale.
int CurrentScale120();

// --- Surfaces (surfaces_wayland.cpp) -------------------------------------------

void ReleaseBuffers();

// --- The window system's functions, for its table ------------------------------
// (the window thread's wait and dispatch: events_wayland.cpp; the model's
// hooks on windows: window_wayland.cpp)

#include "platform/shared/backend_functions.hpp"

}  // namespace platform::wayland
