// The connection to the X server: opening it, its error handlers, and the
// screen metrics.
#include <X11/Xresource.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
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
  // The graphics window destroyed by another client: what was on its way to
  // it fails until its DestroyNotify is read, and then the window goes.
  if (display == TheDisplay &&
      (error->error_code == BadWindow || error->error_code == BadDrawable) &&
      IsGraphWindowId(error->resourceid)) {
    return 0;
  }
  char text[160];
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "X11 request %d.%d failed: %s\n", error->request_code, error->minor_code,
               text);
  return 0;
}

// The socket of a local display: "" when DISPLAY names a remote one or
// none at all (empty: none).
std::string LocalSocket(bool& named) {
  const char* name = XDisplayName(nullptr);
  named = name != nullptr && *name != '\0';
  if (!named) return {};
  std::string text = name;
  if (text.rfind("unix:", 0) == 0) text.erase(0, 4);
  if (text.empty() || text[0] != ':') return {};
  return "/tmp/.X11-unix/X" + std::to_string(std::atoi(text.c_str() + 1));
}

// A connection to the local server's socket (abstract: the Linux abstract
// namespace); -1 with errno set when it takes none.
int ConnectTo(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() + 1 >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const auto length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + (abstract ? 1 : 0) + path.size());
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) return fd;
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

int ConnectLocal(const std::string& path) {
  const int fd = ConnectTo(path, true);
  return fd >= 0 ? fd : ConnectTo(path, false);
}

// Whether a local server listens: it takes the connection, or its queue is
// full.
bool Listens(const std::string& path) {
  const int fd = ConnectLocal(path);
  if (fd < 0) return errno == EAGAIN;
  close(fd);
  return true;
}

// Whether the local server answers a new client with a refusal (all its
// client slots taken, or no access): the start of the connection setup,
// without authorisation, and the first byte of its answer, 0 for "failed".
// A server that takes the connection and closes it unanswered is resetting,
// which passes.
bool Refuses(const std::string& path) {
  const int fd = ConnectLocal(path);
  if (fd < 0) return false;
  // Byte order, protocol 11.0, no authorisation.
  const unsigned char request[12] = {'l', 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  unsigned char status = 1;
  pollfd ready{fd, POLLIN, 0};
  const bool answered = send(fd, request, sizeof request, MSG_NOSIGNAL) == sizeof request &&
                        poll(&ready, 1, 2000) == 1 && recv(fd, &status, 1, 0) == 1;
  close(fd);
  return answered && status == 0;
}

// After XOpenDisplay failed: whether another try may do better. Where
// there is no server at all, there is nothing to wait for; a server that
// refuses says why itself (Xlib prints its reason), and once is enough.
bool WorthWaiting() {
  bool named = false;
  const std::string path = LocalSocket(named);
  if (!named) return false;
  if (path.empty()) return true;  // a remote display may always be there
  return Listens(path) && !Refuses(path);
}

// Set once a server turned the program away: every later look (the
// metrics, the report box) takes that as its answer, without asking again.
std::atomic<bool> TurnedAway{false};
std::mutex Opening;  // one attempt at a time, so that the second sees the first's answer

}  // namespace

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

Display* OpenDisplayPatiently() {
  PrepareXlib();
  const std::lock_guard lock(Opening);
  if (TurnedAway) return nullptr;
  // A server can turn a connection away for a moment: its listen queue is
  // full (EAGAIN), or it is resetting because its last client just left (the
  // graphics window's, closed before the report box opens). Only a display
  // that stays unreachable counts as none.
  for (int attempt = 0;; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr); display != nullptr) return display;
    if (attempt == 20 || !WorthWaiting()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * (attempt + 1)));
  }
  TurnedAway = true;
  return nullptr;
}

namespace {

Atom Intern(const char* name) { return XInternAtom(TheDisplay, name, False); }

}  // namespace

Display* OpenConnection() {
  if (TheDisplay != nullptr) return TheDisplay;
  TheDisplay = OpenDisplayPatiently();
  if (TheDisplay == nullptr) return nullptr;
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
  int* const outer = ErrorTrap;
  ErrorTrap = &errors;
  fn(context);
  XSync(TheDisplay, False);
  ErrorTrap = outer;
  if (outer != nullptr) *outer += errors;
  return errors == 0;
}

namespace {

struct Screen {
  int width = 0;  // 0 when there is no display
  int height = 0;
  int scale = 1;  // what the display's resolution asks for
};

// The screen does not change under the program, so one look suffices, also
// when it finds no display. A connection of its own, since any thread may
// ask.
Screen MeasureScreen() {
  static std::mutex lock;
  static bool measured = false;  // lock
  static Screen screen;          // lock
  std::lock_guard guard(lock);
  if (!measured) {
    measured = true;
    if (Display* display = x11::OpenDisplayPatiently(); display != nullptr) {
      screen.width = DisplayWidth(display, DefaultScreen(display));
      screen.height = DisplayHeight(display, DefaultScreen(display));
      screen.scale = x11::ScaleOfResources(XResourceManagerString(display));
      XCloseDisplay(display);
    }
  }
  return screen;
}

}  // namespace

ScreenSize ScreenSizeNow() {
  const Screen screen = MeasureScreen();
  return {screen.width, screen.height};
}

// GDK_SCALE, as the desktop's toolkits take it, before the display's own
// resources.
int DisplayScale(Window) {
  if (const char* wanted = std::getenv("GDK_SCALE"); wanted != nullptr && *wanted != '\0') {
    char* end = nullptr;
    const long scale = std::strtol(wanted, &end, 10);
    if (*end == '\0' && scale >= 1 && scale <= 100) return static_cast<int>(scale);
  }
  if (const int changed = x11::ChangedResourceScale(); changed > 0) return changed;
  return MeasureScreen().scale;
}

void SetFatalErrorHandler(FatalErrorHandler handler) { x11::FatalHandler = handler; }

}  // namespace x11

}  // namespace platform
