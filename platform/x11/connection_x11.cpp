// The connection to the X server: opening it, its error handlers, and the
// screen metrics.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "x11_backend.hpp"

namespace platform {

namespace x11 {

Display* TheDisplay = nullptr;
Atoms TheAtoms;

namespace {

std::atomic<FatalErrorHandler> FatalHandler{nullptr};

// Counted instead of logged while WithoutProtocolErrors runs; the handler
// runs on the thread that reads the error, which is the one that trapped it.
thread_local int* ErrorTrap = nullptr;

// Called when the server goes away or the socket breaks. Xlib exits the
// process if this returns, so it never does.
int OnConnectionLost(Display* display) {
  char text[256];
  const char* name = display != nullptr ? DisplayString(display) : "";
  std::snprintf(text, sizeof text,
                "Lost the connection to the X server %s: the window is gone, the program ends",
                name);
  if (FatalErrorHandler handler = FatalHandler.load(); handler != nullptr) handler(text);
  // No handler, or one that returned: say so ourselves and end at once, since
  // nothing can run on a dead connection.
  const std::size_t length = std::strlen(text);
  [[maybe_unused]] ssize_t written = write(STDERR_FILENO, text, length);
  written = write(STDERR_FILENO, "\n", 1);
  _exit(1);
}

// A refused request is worth a line on standard error, not the end of the
// program (Xlib's own handler exits).
int OnProtocolError(Display* display, XErrorEvent* error) {
  if (ErrorTrap != nullptr) {
    ++*ErrorTrap;
    return 0;
  }
  char text[160];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "X11 request %d.%d failed: %s\n", error->request_code, error->minor_code,
               text);
  return 0;
}

void PrepareXlib() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Before any other Xlib call: the window thread and other threads (the
    // metrics, the message box) may all talk to X.
    XInitThreads();
    XSetErrorHandler(OnProtocolError);
    XSetIOErrorHandler(OnConnectionLost);
  });
}

}  // namespace

Display* OpenDisplayPatiently() {
  // A busy server's listen queue can turn a connection away (EAGAIN) for a
  // moment; only a display that stays unreachable counts as none.
  for (int attempt = 0;; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr); display != nullptr) return display;
    if (attempt == 20) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * (attempt + 1)));
  }
}

void ReportNoDisplay() {
  const char* name = XDisplayName(nullptr);
  std::fprintf(stderr, "Cannot open the X display \"%s\"\n", name != nullptr ? name : "");
}

namespace {

Atom Intern(const char* name) { return XInternAtom(TheDisplay, name, False); }

}  // namespace

Display* OpenConnection() {
  if (TheDisplay != nullptr) return TheDisplay;
  PrepareXlib();
  TheDisplay = OpenDisplayPatiently();
  if (TheDisplay == nullptr) {
    ReportNoDisplay();
    return nullptr;
  }
  TheAtoms.wmProtocols = Intern("WM_PROTOCOLS");
  TheAtoms.wmDeleteWindow = Intern("WM_DELETE_WINDOW");
  TheAtoms.netWmPing = Intern("_NET_WM_PING");
  TheAtoms.netWmName = Intern("_NET_WM_NAME");
  TheAtoms.netWmPid = Intern("_NET_WM_PID");
  TheAtoms.netWmState = Intern("_NET_WM_STATE");
  TheAtoms.netWmStateMaxVert = Intern("_NET_WM_STATE_MAXIMIZED_VERT");
  TheAtoms.netWmStateMaxHorz = Intern("_NET_WM_STATE_MAXIMIZED_HORZ");
  TheAtoms.motifWmHints = Intern("_MOTIF_WM_HINTS");
  TheAtoms.utf8String = Intern("UTF8_STRING");
  return TheDisplay;
}

void CloseConnection() {
  if (TheDisplay == nullptr) return;
  XCloseDisplay(TheDisplay);
  TheDisplay = nullptr;
}

bool WithoutProtocolErrors(void (*fn)(void*), void* context) {
  int errors = 0;
  ErrorTrap = &errors;
  fn(context);
  XSync(TheDisplay, False);
  ErrorTrap = nullptr;
  return errors == 0;
}

}  // namespace x11

namespace {

std::mutex MetricsLock;
int ScreenWidth = 0;  // MetricsLock; 0 until the screen was measured
int ScreenHeight = 0;

// The screen does not change size under the program, so one look suffices.
// A connection of its own, since any thread may ask.
int MeasureScreen(bool width) {
  std::lock_guard lock(MetricsLock);
  if (ScreenWidth == 0) {
    x11::PrepareXlib();
    if (Display* display = x11::OpenDisplayPatiently(); display != nullptr) {
      ScreenWidth = DisplayWidth(display, DefaultScreen(display));
      ScreenHeight = DisplayHeight(display, DefaultScreen(display));
      XCloseDisplay(display);
    } else {
      x11::ReportNoDisplay();
    }
  }
  return width ? ScreenWidth : ScreenHeight;
}

}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return MeasureScreen(true);
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
      return MeasureScreen(false);
    default:
      // The window manager draws frame and caption outside the client area.
      return 0;
  }
}

void SetFatalErrorHandler(FatalErrorHandler handler) { x11::FatalHandler = handler; }

}  // namespace platform
