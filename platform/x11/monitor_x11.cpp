// Where the graphics window sits: the monitor under it (XRandR), the part of
// it the desktop's panels leave (_NET_WORKAREA), the frame the window manager
// draws around the window (_NET_FRAME_EXTENTS), and the desktop's resolution
// changing while the program runs (Xft.dpi in RESOURCE_MANAGER).
#include <X11/Xatom.h>
#include <X11/Xresource.h>
#include <X11/extensions/Xrandr.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "x11_backend.hpp"

namespace platform {

namespace x11 {

namespace {

constexpr double kDotsPerStep = 96;
// A window manager that says it answers frame requests does so at once,
// unless the machine is very busy; one that is stuck must not hold up the
// window for long (the frame it gets later still counts, see
// TakeDesktopEvent).
constexpr auto kFrameAnswerTime = std::chrono::milliseconds(2000);

// What the desktop's resources say since they changed under the program;
// 0 until then. Written by the window thread, read by any.
std::atomic<int> ChangedScale{0};

// The window's frame when it last changed. Window thread.
Rect FrameSeen;

bool SameRect(Rect a, Rect b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

Atom Intern(Display* display, const char* name) { return XInternAtom(display, name, False); }

// The 32-bit items of a property (as longs, as Xlib hands them over);
// empty when it is missing or of another type.
std::vector<long> CardinalProperty(Display* display, ::Window window, Atom property, Atom type,
                                   long most) {
  Atom actualType = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  std::vector<long> items;
  const bool read = WithoutProtocolErrors([&] {
    if (XGetWindowProperty(display, window, property, 0, most, False, type, &actualType, &format,
                           &count, &after, &data) != Success) {
      data = nullptr;
    }
  });
  if (read && data != nullptr && actualType == type && format == 32) {
    const auto* values = reinterpret_cast<const long*>(data);
    items.assign(values, values + count);
  }
  if (data != nullptr) XFree(data);
  return items;
}

Rect Intersection(Rect a, Rect b) {
  const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
  return r.empty() ? Rect{} : r;
}

bool Contains(Rect r, int x, int y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The monitors as XRandR 1.5 lists them; empty where the server has none.
std::vector<Rect> Monitors(Display* display, ::Window root, int& primary) {
  std::vector<Rect> monitors;
  primary = 0;
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (XRRQueryExtension(display, &eventBase, &errorBase) == False ||
      XRRQueryVersion(display, &major, &minor) == 0 || major * 100 + minor < 105) {
    return monitors;
  }
  int count = 0;
  XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count);
  if (info == nullptr) return monitors;
  for (int i = 0; i < count; ++i) {
    if (info[i].primary != 0) primary = static_cast<int>(monitors.size());
    monitors.push_back(
        {info[i].x, info[i].y, info[i].x + info[i].width, info[i].y + info[i].height});
  }
  XRRFreeMonitors(info);
  return monitors;
}

// The monitor under the window's centre; for none, the primary one, where
// window managers open new windows.
Rect MonitorOf(Display* display, ::Window window) {
  const ::Window root = DefaultRootWindow(display);
  const int screen = DefaultScreen(display);
  const Rect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
  int primary = 0;
  const std::vector<Rect> monitors = Monitors(display, root, primary);
  if (monitors.empty()) return whole;
  if (window != 0 && window == TheWindow.id) {
    int x = 0;
    int y = 0;
    ::Window child = 0;
    if (XTranslateCoordinates(display, window, root, TheWindow.width / 2, TheWindow.height / 2, &x,
                              &y, &child) == True) {
      for (const Rect& monitor : monitors) {
        if (Contains(monitor, x, y)) return monitor;
      }
    }
  }
  return monitors[static_cast<std::size_t>(primary)];
}

// What the window manager leaves of the desktop, on the current desktop; the
// whole screen where it says nothing.
Rect DesktopWorkArea(Display* display) {
  const ::Window root = DefaultRootWindow(display);
  const int screen = DefaultScreen(display);
  const Rect whole{0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)};
  const std::vector<long> areas =
      CardinalProperty(display, root, Intern(display, "_NET_WORKAREA"), XA_CARDINAL, 4 * 64);
  const std::vector<long> current =
      CardinalProperty(display, root, Intern(display, "_NET_CURRENT_DESKTOP"), XA_CARDINAL, 1);
  std::size_t desktop = current.empty() ? 0 : static_cast<std::size_t>(current[0]);
  if (4 * desktop + 4 > areas.size()) desktop = 0;
  if (areas.size() < 4) return whole;
  const auto at = [&](std::size_t i) { return static_cast<int>(areas[4 * desktop + i]); };
  return {at(0), at(1), at(0) + at(2), at(1) + at(3)};
}

// _NET_FRAME_EXTENTS is left, right, top, bottom.
bool ReadFrame(Display* display, ::Window window, Rect& frame) {
  const std::vector<long> extents =
      CardinalProperty(display, window, Intern(display, "_NET_FRAME_EXTENTS"), XA_CARDINAL, 4);
  if (extents.size() != 4) return false;
  frame = {static_cast<int>(extents[0]), static_cast<int>(extents[2]), static_cast<int>(extents[1]),
           static_cast<int>(extents[3])};
  return true;
}

// Whether a window manager runs that answers _NET_REQUEST_FRAME_EXTENTS.
bool AnswersFrameRequests(Display* display) {
  const ::Window root = DefaultRootWindow(display);
  if (CardinalProperty(display, root, Intern(display, "_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 1)
          .empty()) {
    return false;
  }
  const std::vector<long> supported =
      CardinalProperty(display, root, Intern(display, "_NET_SUPPORTED"), XA_ATOM, 1024);
  const Atom request = Intern(display, "_NET_REQUEST_FRAME_EXTENTS");
  return std::find(supported.begin(), supported.end(), static_cast<long>(request)) !=
         supported.end();
}

// The frame a new window will get: asked for on a window of our own that
// is never mapped, and answered by the window manager in its
// _NET_FRAME_EXTENTS.
Rect FrameOfNewWindow(Display* display) {
  if (!AnswersFrameRequests(display)) return {};
  const ::Window root = DefaultRootWindow(display);
  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;
  const ::Window probe = XCreateWindow(display, root, 0, 0, 1, 1, 0, CopyFromParent, InputOutput,
                                       CopyFromParent, CWEventMask, &attributes);
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = probe;
  request.xclient.message_type = Intern(display, "_NET_REQUEST_FRAME_EXTENTS");
  request.xclient.format = 32;
  XSendEvent(display, root, False, SubstructureNotifyMask | SubstructureRedirectMask, &request);
  XFlush(display);
  const Atom extents = Intern(display, "_NET_FRAME_EXTENTS");
  const auto deadline = std::chrono::steady_clock::now() + kFrameAnswerTime;
  Rect frame;
  bool answered = false;
  while (!answered) {
    XEvent event;
    // Only the probe's own events: the rest stay for the window thread.
    while (!answered && XCheckTypedWindowEvent(display, probe, PropertyNotify, &event) == True) {
      answered = event.xproperty.atom == extents && ReadFrame(display, probe, frame);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (answered || left.count() <= 0) break;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left.count()));
  }
  XDestroyWindow(display, probe);
  XFlush(display);
  return frame;
}

// The resources as they stand now, not as they were when the connection
// was opened (which is all XResourceManagerString knows).
int ScaleOfCurrentResources(Display* display) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  int scale = 1;
  if (XGetWindowProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, 0, 1 << 20,
                         False, XA_STRING, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && type == XA_STRING && format == 8) {
    scale = ScaleOfResources(reinterpret_cast<const char*>(data));
  }
  if (data != nullptr) XFree(data);
  return scale;
}

}  // namespace

int ScaleOfResources(const char* resources) {
  if (resources == nullptr) return 1;
  XrmInitialize();
  XrmDatabase database = XrmGetStringDatabase(resources);
  if (database == nullptr) return 1;
  char* type = nullptr;
  XrmValue value{};
  int scale = 1;
  if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) == True &&
      value.addr != nullptr) {
    const double dpi = std::strtod(value.addr, nullptr);
    if (dpi >= kDotsPerStep && dpi < 100 * kDotsPerStep)
      scale = static_cast<int>(dpi / kDotsPerStep);
  }
  XrmDestroyDatabase(database);
  return scale;
}

int ChangedResourceScale() { return ChangedScale.load(); }

void WatchDesktopSettings() {
  XSelectInput(TheDisplay, DefaultRootWindow(TheDisplay), PropertyChangeMask);
}

bool TakeDesktopEvent(const XEvent& event) {
  if (event.type != PropertyNotify || TheWindow.id == 0) return false;
  const ::Window window = event.xproperty.window;
  bool refit = false;
  if (window == DefaultRootWindow(TheDisplay)) {
    if (event.xproperty.atom == XA_RESOURCE_MANAGER) {
      const int before = DisplayScale(TheWindow.id);
      ChangedScale = ScaleOfCurrentResources(TheDisplay);
      refit = DisplayScale(TheWindow.id) != before;
    }
  } else if (window == TheWindow.id) {
    // The frame the window really got can differ from what the window
    // manager said a new one would get, or come later than we waited. Some
    // window managers set it anew on every resize: only a change counts.
    Rect frame;
    if (event.xproperty.atom == Intern(TheDisplay, "_NET_FRAME_EXTENTS") &&
        ReadFrame(TheDisplay, window, frame) && !SameRect(frame, FrameSeen)) {
      FrameSeen = frame;
      refit = true;
    }
  } else {
    return false;
  }
  if (refit) {
    const auto dpi = static_cast<WPARAM>(DisplayScale(TheWindow.id) * kDotsPerStep);
    PostMessage(TheWindow.id, WM_DPICHANGED, dpi | (dpi << 16), 0);
  }
  return true;
}

Rect WorkArea(Window window) {
  if (OpenConnection() == nullptr) return {};
  const Rect monitor = MonitorOf(TheDisplay, window);
  const Rect area = Intersection(monitor, DesktopWorkArea(TheDisplay));
  // A work area that misses the monitor says nothing about it.
  return area.empty() ? monitor : area;
}

Rect WindowManagerFrame(Window window) {
  if (OpenConnection() == nullptr) return {};
  if (window == 0) return FrameSeen = FrameOfNewWindow(TheDisplay);
  Rect frame;
  if (window != TheWindow.id || !ReadFrame(TheDisplay, window, frame)) return {};
  return frame;
}

void SetWindowRect(Window window, Rect outer) {
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  if (window == 0 || window != TheWindow.id || width <= 0 || height <= 0) return;
  TheWindow.width = width;
  TheWindow.height = height;
  XMoveResizeWindow(TheDisplay, TheWindow.id, outer.left, outer.top, static_cast<unsigned>(width),
                    static_cast<unsigned>(height));
  XFlush(TheDisplay);
}

}  // namespace x11

}  // namespace platform
