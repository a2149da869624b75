// The graphics window on X11: creation with its caption, protocols and
// hints, showing, the first paint, default handling and destruction.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <unistd.h>

#include <string>

#include "platform/shared/latin1_text.hpp"
#include "x11_backend.hpp"

namespace platform::x11 {

GraphWindowRecord TheWindow;

namespace {

// The graphics window that went last; requests sent before it went still fail.
::Window LastWindow = 0;

// _MOTIF_WM_HINTS: flags, functions, decorations, input mode, status.
constexpr long MwmHintsFunctions = 1;
constexpr long MwmFuncResize = 2;
constexpr long MwmFuncMove = 4;
constexpr long MwmFuncMinimize = 8;
constexpr long MwmFuncMaximize = 16;
constexpr long MwmFuncClose = 32;

// A TrueColor visual to draw 0x00RRGGBB pixels into: the screen's own when
// it is one, else the first of depth 24 or 32.
bool ChooseVisual(Visual*& visual, int& depth) {
  const int screen = DefaultScreen(TheDisplay);
  visual = DefaultVisual(TheDisplay, screen);
  depth = DefaultDepth(TheDisplay, screen);
  if (visual->c_class == TrueColor && depth >= 24) return false;
  XVisualInfo info;
  for (int wanted : {24, 32}) {
    if (XMatchVisualInfo(TheDisplay, screen, wanted, TrueColor, &info) != 0) {
      visual = info.visual;
      depth = info.depth;
      return true;
    }
  }
  visual = nullptr;
  return false;
}

// Black in the visual: at depth 32 the bits outside the colour masks are
// alpha, which must be opaque.
unsigned long BlackPixelOf(const Visual* visual, int depth) {
  if (depth < 32) return 0;
  return ~(visual->red_mask | visual->green_mask | visual->blue_mask) & 0xFFFFFFFFul;
}

void SetProtocolsAndHints(::Window id, int x, int y, int width, int height, bool maximize) {
  Atom protocols[] = {TheAtoms.wmDeleteWindow, TheAtoms.netWmPing};
  XSetWMProtocols(TheDisplay, id, protocols, 2);

  XSizeHints* size = XAllocSizeHints();
  size->flags = PSize;
  size->width = width;
  size->height = height;
  if (x != CW_USEDEFAULT) {
    size->flags |= PPosition;
    size->x = x;
    size->y = y;
  }
  XSetWMNormalHints(TheDisplay, id, size);
  XFree(size);

  XWMHints* wm = XAllocWMHints();
  wm->flags = InputHint | StateHint;
  wm->input = True;
  wm->initial_state = NormalState;
  XSetWMHints(TheDisplay, id, wm);
  XFree(wm);

  char name[] = "fractals";
  // The desktop entry names the class (StartupWMClass).
  char className[] = FRACTALS_APP_ID;
  XClassHint classHint{name, className};
  XSetClassHint(TheDisplay, id, &classHint);

  // The process id names the program only together with the machine it
  // runs on.
  const long pid = getpid();
  XChangeProperty(TheDisplay, id, TheAtoms.netWmPid, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pid), 1);
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    char* hosts[] = {host};
    XTextProperty machine{};
    if (XStringListToTextProperty(hosts, 1, &machine) != 0) {
      XSetWMClientMachine(TheDisplay, id, &machine);
      XFree(machine.value);
    }
  }

  if (maximize) {
    const Atom state[] = {TheAtoms.netWmStateMaxVert, TheAtoms.netWmStateMaxHorz};
    XChangeProperty(TheDisplay, id, TheAtoms.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
  }
}

}  // namespace

void ApplyCaption(const char* text) {
  if (TheWindow.id == 0) return;
  // WM_NAME in Latin-1 (as the program's 8-bit texts are), _NET_WM_NAME in
  // UTF-8 for the window managers that prefer it.
  XStoreName(TheDisplay, TheWindow.id, text);
  XSetIconName(TheDisplay, TheWindow.id, text);
  const std::string utf8 = shared::Utf8FromLatin1(text);
  XChangeProperty(TheDisplay, TheWindow.id, TheAtoms.netWmName, TheAtoms.utf8String, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(utf8.data()),
                  static_cast<int>(utf8.size()));
  XFlush(TheDisplay);
}

void ApplyMotifHints(bool closeEnabled) {
  if (TheWindow.id == 0) return;
  long functions = MwmFuncResize | MwmFuncMove | MwmFuncMinimize | MwmFuncMaximize;
  if (closeEnabled) functions |= MwmFuncClose;
  const long hints[5] = {MwmHintsFunctions, functions, 0, 0, 0};
  XChangeProperty(TheDisplay, TheWindow.id, TheAtoms.motifWmHints, TheAtoms.motifWmHints, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(hints), 5);
  XFlush(TheDisplay);
}

void DestroyGraphWindow() {
  if (TheWindow.id == 0) return;
  ReleaseStaging();
  if (TheWindow.gc != nullptr) XFreeGC(TheDisplay, TheWindow.gc);
  if (!TheWindow.destroyed) XDestroyWindow(TheDisplay, TheWindow.id);
  if (TheWindow.colormap != 0) XFreeColormap(TheDisplay, TheWindow.colormap);
  XFlush(TheDisplay);
  LastWindow = TheWindow.id;
  TheWindow = {};
  ResetKeyState();
}

bool IsGraphWindowId(XID id) { return id != 0 && (id == TheWindow.id || id == LastWindow); }

void OnDestroyedFromOutside() {
  if (TheWindow.id == 0) return;
  TheWindow.destroyed = true;
  // As DefWindowProc's WM_CLOSE would destroy it: the procedure hears
  // WM_DESTROY, ends its loop, and the window is forgotten.
  shared::DestroyWindow(TheWindow.id);
}

void ReleaseWindow(Window window) {
  if (window != 0 && window == TheWindow.id) DestroyGraphWindow();
}

void SetCaption(Window window, const char* text) {
  if (window != 0 && window == TheWindow.id) ApplyCaption(text);
}

void EndWindowThread() {
  if (TheDisplay != nullptr) DestroyGraphWindow();
  CloseConnection();
}

Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height) {
  if (shared::ClassProc() == nullptr || TheWindow.id != 0 || width <= 0 || height <= 0) return 0;
  if (OpenConnection() == nullptr) return 0;
  // Auto-repeat then gives repeated presses without the releases between.
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(TheDisplay, True, &detectable);

  Visual* visual = nullptr;
  int depth = 0;
  const bool ownColormap = ChooseVisual(visual, depth);
  if (visual == nullptr) return 0;
  const ::Window root = DefaultRootWindow(TheDisplay);

  XSetWindowAttributes attributes{};
  attributes.background_pixel = BlackPixelOf(visual, depth);
  attributes.border_pixel = 0;
  // Enlarging keeps the image at the top left, the new area black.
  attributes.bit_gravity = NorthWestGravity;
  // Property changes: the frame the window manager gives the window.
  attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | StructureNotifyMask |
                          FocusChangeMask | PropertyChangeMask;
  unsigned long mask = CWBackPixel | CWBorderPixel | CWBitGravity | CWEventMask;
  Colormap colormap = 0;
  if (ownColormap) {
    colormap = XCreateColormap(TheDisplay, root, visual, AllocNone);
    attributes.colormap = colormap;
    mask |= CWColormap;
  }
  const int left = x == CW_USEDEFAULT ? 0 : x;
  const int top = x == CW_USEDEFAULT ? 0 : y;
  // The server may refuse the window (no such visual at that depth, no
  // memory): that is a failed creation, not an error line and a window
  // that does not exist.
  ::Window id = 0;
  const bool created = WithoutProtocolErrors([&] {
    id = XCreateWindow(TheDisplay, root, left, top, static_cast<unsigned>(width),
                       static_cast<unsigned>(height), 0, depth, InputOutput, visual, mask,
                       &attributes);
  });
  if (!created || id == 0) {
    if (id != 0) WithoutProtocolErrors([&] { XDestroyWindow(TheDisplay, id); });
    if (colormap != 0) XFreeColormap(TheDisplay, colormap);
    return 0;
  }
  TheWindow.id = id;
  TheWindow.visual = visual;
  TheWindow.depth = depth;
  TheWindow.width = width;
  TheWindow.height = height;
  TheWindow.colormap = colormap;
  TheWindow.gc = XCreateGC(TheDisplay, id, 0, nullptr);
  XSetGraphicsExposures(TheDisplay, TheWindow.gc, False);
  SetProtocolsAndHints(id, x, y, width, height, (style & WS_MAXIMIZE) != 0);
  ApplyWindowIcon(id);
  ApplyCaption(caption != nullptr ? caption : "");
  // Before mapping, so that window managers that read them once see them.
  ApplyMotifHints(true);
  WatchDesktopSettings();
  return shared::AddWindow(id, width, height);
}

// The window manager draws the frame outside the window: the window is its
// client area.
Rect AdjustWindowRect(Rect client, std::uint32_t) { return client; }

void SetWindowSize(Window window, int width, int height) {
  if (window == 0 || window != TheWindow.id || width <= 0 || height <= 0) return;
  TheWindow.width = width;
  TheWindow.height = height;
  shared::SetClientSize(window, width, height);
  XResizeWindow(TheDisplay, TheWindow.id, static_cast<unsigned>(width),
                static_cast<unsigned>(height));
  XFlush(TheDisplay);
}

void ShowWindow(Window window, int command) {
  if (window == 0 || window != TheWindow.id) return;
  shared::SetVisible(window, command != 0);
  if (command == 0) {
    XUnmapWindow(TheDisplay, TheWindow.id);
  } else {
    XMapWindow(TheDisplay, TheWindow.id);
  }
  XFlush(TheDisplay);
}

void GreyCloseCommand(Window window) {
  // The hints are the window thread's to publish, on its connection.
  shared::RunOnWindowThread(
      window, [](void*) { ApplyMotifHints(false); }, nullptr);
}

}  // namespace platform::x11
