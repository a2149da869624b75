// State shared by the files of the X11 window system. Everything here is
// used by the window thread alone unless it says otherwise.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "platform/shared/window_model.hpp"
#include "platform/window_system.hpp"
#include "platform/x11/x11_table.hpp"

namespace platform::x11 {

// --- Connection (connection_x11.cpp) -------------------------------------------

// The window thread's connection, opened for the window and closed when the
// thread ends; null while there is none.
extern Display* TheDisplay;

// XInitThreads and the program's error handlers, once per process, before
// any other Xlib call. Any thread.
void PrepareXlib();
// Opens the window thread's connection. Null when the display cannot be
// opened.
Display* OpenConnection();
void CloseConnection();
// XOpenDisplay of DISPLAY (Xlib prepared first), tried again for about a
// second while a server is there but refuses; null at once when there is
// no server at all. Any thread.
Display* OpenDisplayPatiently();

// Runs fn with protocol errors counted instead of logged; returns whether
// none arose. Used where an error only means "fall back" (shared memory) or
// "failed" (creating the window).
bool WithoutProtocolErrors(void (*fn)(void*), void* context);
template <typename Fn>
bool WithoutProtocolErrors(Fn fn) {
  return WithoutProtocolErrors([](void* context) { (*static_cast<Fn*>(context))(); }, &fn);
}

struct Atoms {
  Atom wmProtocols = 0;
  Atom wmDeleteWindow = 0;
  Atom netWmPing = 0;
  Atom netWmName = 0;
  Atom netWmPid = 0;
  Atom netWmState = 0;
  Atom netWmStateMaxVert = 0;
  Atom netWmStateMaxHorz = 0;
  Atom motifWmHints = 0;
  Atom utf8String = 0;
};
extern Atoms TheAtoms;

// --- Monitors and desktop settings (monitor_x11.cpp) ------------------------------

// The factor an Xft.dpi in resources (as xrdb sets them) asks for; 1 when
// they say nothing usable. Any thread.
int ScaleOfResources(const char* resources);
// What the resources ask for since they changed while the program ran; 0
// while they have not. Any thread.
int ChangedResourceScale();
// Hears changes of the desktop's resources from now on.
void WatchDesktopSettings();
// Takes the property changes of the root window and the graphics window: a
// changed resolution, or the frame the window got, reaches the window as
// WM_DPICHANGED, which fits it anew. false for any other event.
bool TakeDesktopEvent(const XEvent& event);

// --- The graphics window (window_x11.cpp) ----------------------------------------

// The XImage the window is put from: the memory image itself, or a copy
// (enlarged by scale, or in the visual's own layout) that each put fills
// first.
struct Staging {
  XImage* image = nullptr;
  XShmSegmentInfo shm{};
  bool shared = false;      // in a shared-memory segment the server reads (MIT-SHM)
  bool ownSegment = false;  // that segment is the copy's own, not the image's
  bool copy = false;        // a copy of the image, which owns its pixels
  bool converted = false;   // the copy is in the visual's layout, not 0x00RRGGBB words
  int scale = 1;            // each image pixel a scale x scale block of the copy
  std::uint32_t alpha = 0;  // bits outside the colour masks, set on every converted pixel
};

struct GraphWindowRecord {
  ::Window id = 0;  // 0: no window
  Visual* visual = nullptr;
  int depth = 0;
  int width = 0;  // as created or last resized
  int height = 0;
  Colormap colormap = 0;  // ours only when the default visual would not do
  GC gc = nullptr;
  bool destroyed = false;  // by another client: the id names no window any more
  Image image;             // the memory image, the graphics module's
  Staging staging;
};
extern GraphWindowRecord TheWindow;

// Removes the window from the server and forgets it; surfaces included.
void DestroyGraphWindow();
// The graphics window, or the last one, once gone: requests still on their
// way to it fail harmlessly. Window thread (its protocol errors).
bool IsGraphWindowId(XID id);
// DestroyNotify for the graphics window: another client destroyed it. The
// window procedure hears WM_DESTROY, as for a window closed from outside.
void OnDestroyedFromOutside();
// Sets the caption in WM_NAME and _NET_WM_NAME and flushes.
void ApplyCaption(const char* text);
// Publishes the Motif hints, with or without the Close function.
void ApplyMotifHints(bool closeEnabled);
// Publishes the program's icon (icon_x11.cpp).
void ApplyWindowIcon(::Window id);

// --- Surfaces (surfaces_x11.cpp) ---------------------------------------------------

void ReleaseStaging();
// Takes the surfaces' own events (a late put completion); false for any
// other event.
bool TakeSurfaceEvent(const XEvent& event);

// --- Messages (wake_pipe_x11.cpp, events_x11.cpp) -------------------------------------

// The window thread's wait (WaitForEvents) is in poll() on the X connection
// and on a self-pipe that Wake writes to, so that it never blocks inside Xlib
// while another thread has something for it; TranslatePendingEvents turns
// the X events received so far into messages (and the repaint region).

// Forgets which keys are down, when a window goes.
void ResetKeyState();

// --- The window system's functions, for the table (window_system_x11.cpp) -----------

#include "platform/shared/backend_functions.hpp"

}  // namespace platform::x11
