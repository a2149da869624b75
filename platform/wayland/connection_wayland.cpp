// The connection to the compositor: the globals it offers, its outputs, a
// broken connection, and the screen metrics.
#include <fractional-scale-v1-client.h>
#include <poll.h>
#include <unistd.h>
#include <viewporter-client.h>
#include <xdg-decoration-unstable-v1-client.h>
#include <xdg-output-unstable-v1-client.h>
#include <xdg-shell-client.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "buffer_geometry.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

wl_display* TheDisplay = nullptr;
Globals TheGlobals;

namespace {

std::atomic<FatalErrorHandler> FatalHandler{nullptr};

// Versions this program is written for; a compositor may offer less.
std::uint32_t Version(std::uint32_t offered, std::uint32_t wanted) {
  return std::min(offered, wanted);
}

void OnOutputGeometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                      const char*, int32_t) {}

void OnOutputMode(void* data, wl_output*, std::uint32_t flags, int32_t width, int32_t height,
                  int32_t) {
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  auto* output = static_cast<Output*>(data);
  output->width = width;
  output->height = height;
}

void OnOutputScale(void* data, wl_output*, int32_t factor) {
  static_cast<Output*>(data)->scale = std::max(1, factor);
}

void OnOutputDone(void*, wl_output*) {}

// The window thread's outputs: a new scale of an output may change the
// window's.
void OnWindowOutputDone(void*, wl_output*) {
  if (TheWindow.surface != nullptr) OnScaleChanged();
}

void OnOutputText(void*, wl_output*, const char*) {}

const wl_output_listener OutputListener = {OnOutputGeometry, OnOutputMode, OnOutputDone,
                                           OnOutputScale,    OnOutputText, OnOutputText};
const wl_output_listener WindowOutputListener = {OnOutputGeometry, OnOutputMode, OnWindowOutputDone,
                                                 OnOutputScale,    OnOutputText, OnOutputText};

void OnLogicalPosition(void*, zxdg_output_v1*, int32_t, int32_t) {}

void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto* output = static_cast<Output*>(data);
  output->logicalWidth = width;
  output->logicalHeight = height;
}

// Sent by xdg-output before version 3 only; from then on wl_output.done
// follows the logical size.
void OnXdgOutputDone(void*, zxdg_output_v1*) {}
void OnWindowXdgOutputDone(void*, zxdg_output_v1*) {
  if (TheWindow.surface != nullptr) OnScaleChanged();
}

void OnXdgOutputText(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener XdgOutputListener = {
    OnLogicalPosition, OnLogicalSize, OnXdgOutputDone, OnXdgOutputText, OnXdgOutputText};
const zxdg_output_v1_listener WindowXdgOutputListener = {
    OnLogicalPosition, OnLogicalSize, OnWindowXdgOutputDone, OnXdgOutputText, OnXdgOutputText};

void OnPing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener WmBaseListener = {OnPing};

// The registry of a connection: which list its outputs go to, whether it
// takes every global (the window thread's) or the outputs alone, and what
// it learnt of their logical sizes and of the viewporter.
struct Registry {
  std::vector<Output>* outputs;
  bool everything;
  zxdg_output_manager_v1* xdgOutputs = nullptr;
  bool viewporter = false;
};

// The output's logical size, where the compositor tells it.
void AskLogicalSize(const Registry& wanted, Output& output) {
  if (wanted.xdgOutputs == nullptr || output.xdgOutput != nullptr) return;
  output.xdgOutput = zxdg_output_manager_v1_get_xdg_output(wanted.xdgOutputs, output.output);
  zxdg_output_v1_add_listener(
      output.xdgOutput, wanted.everything ? &WindowXdgOutputListener : &XdgOutputListener, &output);
}

// Asked once the globals are known: outputs may come before the manager.
void AskLogicalSizes(const Registry& wanted) {
  for (Output& output : *wanted.outputs) AskLogicalSize(wanted, output);
}

void AddOutput(wl_registry* registry, const Registry& wanted, std::uint32_t name,
               std::uint32_t version) {
  std::vector<Output>& outputs = *wanted.outputs;
  // Outputs are few; the list is reserved so that listener data stays put.
  if (outputs.size() == outputs.capacity()) return;
  auto* output = static_cast<wl_output*>(
      wl_registry_bind(registry, name, &wl_output_interface, Version(version, 2)));
  outputs.push_back({output, name});
  wl_output_add_listener(output, wanted.everything ? &WindowOutputListener : &OutputListener,
                         &outputs.back());
  AskLogicalSize(wanted, outputs.back());
}

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t version) {
  auto* wanted = static_cast<Registry*>(data);
  const auto is = [interface](const wl_interface& i) {
    return std::strcmp(interface, i.name) == 0;
  };
  const auto bind = [&](const wl_interface& i, std::uint32_t most) {
    return wl_registry_bind(registry, name, &i, Version(version, most));
  };
  if (is(wl_output_interface)) {
    AddOutput(registry, *wanted, name, version);
    return;
  }
  if (is(zxdg_output_manager_v1_interface) && wanted->xdgOutputs == nullptr) {
    wanted->xdgOutputs =
        static_cast<zxdg_output_manager_v1*>(bind(zxdg_output_manager_v1_interface, 3));
    return;
  }
  if (is(wp_viewporter_interface)) wanted->viewporter = true;
  if (!wanted->everything) return;
  Globals& g = TheGlobals;
  if (is(wl_compositor_interface) && g.compositor == nullptr) {
    g.compositor = static_cast<wl_compositor*>(bind(wl_compositor_interface, 4));
  } else if (is(wl_shm_interface) && g.shm == nullptr) {
    g.shm = static_cast<wl_shm*>(bind(wl_shm_interface, 1));
  } else if (is(xdg_wm_base_interface) && g.wmBase == nullptr) {
    g.wmBase = static_cast<xdg_wm_base*>(bind(xdg_wm_base_interface, 2));
    xdg_wm_base_add_listener(g.wmBase, &WmBaseListener, nullptr);
  } else if (is(zxdg_decoration_manager_v1_interface) && g.decorations == nullptr) {
    g.decorations =
        static_cast<zxdg_decoration_manager_v1*>(bind(zxdg_decoration_manager_v1_interface, 1));
  } else if (is(wp_viewporter_interface) && g.viewporter == nullptr) {
    g.viewporter = static_cast<wp_viewporter*>(bind(wp_viewporter_interface, 1));
  } else if (is(wp_fractional_scale_manager_v1_interface) && g.fractionalScale == nullptr) {
    g.fractionalScale = static_cast<wp_fractional_scale_manager_v1*>(
        bind(wp_fractional_scale_manager_v1_interface, 1));
  } else if (is(wl_seat_interface) && g.seat == nullptr) {
    g.seat = static_cast<wl_seat*>(bind(wl_seat_interface, 5));
    ListenToSeat(g.seat);
  }
}

void OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto& outputs = *static_cast<Registry*>(data)->outputs;
  for (auto it = outputs.begin(); it != outputs.end(); ++it) {
    if (it->name != name) continue;
    // Kept in place (listener data points into the list), no longer counted.
    it->width = it->height = 0;
    it->logicalWidth = it->logicalHeight = 0;
    it->scale = 1;
    break;
  }
}

const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

constexpr std::size_t kMostOutputs = 16;

Registry WindowRegistry{&TheGlobals.outputs, true};

}  // namespace

int LogicalScale120(const Output& output) {
  return OutputScale120(output.width, output.height, output.logicalWidth, output.logicalHeight);
}

[[noreturn]] void ConnectionLost(wl_display* display) {
  char text[256];
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') name = "wayland-0";
  const int code = display != nullptr ? wl_display_get_error(display) : EPIPE;
  std::snprintf(text, sizeof text,
                "Lost the connection to the Wayland compositor %s: the window is gone, the "
                "program ends (%s)",
                name, std::strerror(code != 0 ? code : EPIPE));
  if (FatalErrorHandler handler = FatalHandler.load(); handler != nullptr) handler(text);
  const std::size_t length = std::strlen(text);
  [[maybe_unused]] ssize_t written = write(STDERR_FILENO, text, length);
  written = write(STDERR_FILENO, "\n", 1);
  _exit(1);
}

wl_display* Connect() {
  // libwayland looks for the socket in XDG_RUNTIME_DIR, and says so on
  // standard error when it is not set: there is no compositor to ask then.
  const char* name = std::getenv("WAYLAND_DISPLAY");
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  const bool absolute = name != nullptr && name[0] == '/';
  if (!absolute && (folder == nullptr || *folder == '\0')) return nullptr;
  return wl_display_connect(nullptr);
}

wl_display* ConnectAndListOutputs(std::vector<Output>& outputs, bool& viewporter) {
  wl_display* display = Connect();
  if (display == nullptr) return nullptr;
  outputs.clear();
  outputs.reserve(kMostOutputs);
  Registry registry{&outputs, false};
  wl_registry* globals = wl_display_get_registry(display);
  wl_registry_add_listener(globals, &RegistryListener, &registry);
  // The globals, then each output's mode, scale and logical size.
  const bool listed = wl_display_roundtrip(display) >= 0;
  if (listed) AskLogicalSizes(registry);
  if (!listed || wl_display_roundtrip(display) < 0) {
    wl_display_disconnect(display);
    return nullptr;
  }
  wl_registry_destroy(globals);
  viewporter = registry.viewporter;
  return display;
}

wl_display* OpenConnection() {
  if (TheDisplay != nullptr) return TheDisplay;
  TheDisplay = Connect();
  if (TheDisplay == nullptr) return nullptr;
  TheGlobals = {};
  TheGlobals.outputs.reserve(kMostOutputs);
  WindowRegistry = {&TheGlobals.outputs, true};
  wl_registry* registry = wl_display_get_registry(TheDisplay);
  wl_registry_add_listener(registry, &RegistryListener, &WindowRegistry);
  if (wl_display_roundtrip(TheDisplay) < 0) ConnectionLost(TheDisplay);
  AskLogicalSizes(WindowRegistry);
  if (wl_display_roundtrip(TheDisplay) < 0) ConnectionLost(TheDisplay);
  return TheDisplay;
}

void CloseConnection() {
  if (TheDisplay == nullptr) return;
  ReleaseKeyboard();
  // Disconnecting frees what the program bound; the compositor forgets it.
  wl_display_disconnect(TheDisplay);
  TheDisplay = nullptr;
  TheGlobals = {};
}

void Flush() {
  if (TheDisplay == nullptr) return;
  while (wl_display_flush(TheDisplay) < 0) {
    if (errno != EAGAIN) ConnectionLost(TheDisplay);
    // The socket is full: wait until the compositor has read some.
    pollfd out{wl_display_get_fd(TheDisplay), POLLOUT, 0};
    if (poll(&out, 1, 1000) < 0 && errno != EINTR) ConnectionLost(TheDisplay);
  }
}

bool ReadAndDispatch(int timeoutMs) {
  wl_display* display = TheDisplay;
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) ConnectionLost(display);
  }
  Flush();
  pollfd in{wl_display_get_fd(display), POLLIN, 0};
  const int ready = poll(&in, 1, timeoutMs);
  if (ready <= 0) {
    wl_display_cancel_read(display);
    if (ready < 0 && errno != EINTR) ConnectionLost(display);
    return false;
  }
  if (wl_display_read_events(display) < 0) ConnectionLost(display);
  if (wl_display_dispatch_pending(display) < 0) ConnectionLost(display);
  return true;
}

namespace {

struct Screen {
  int width = 0;  // 0 when there is no compositor
  int height = 0;
  int scale = 1;
};

// The scale, in 120ths, a window on the output is shown at: the output's
// fractional scale where the compositor lays out buffers of any size and
// says the output's logical size, else its whole scale.
int WindowScale120(const Output& output, bool viewporter) {
  const int fractional = viewporter ? LogicalScale120(output) : 0;
  return fractional > 0 ? fractional : 120 * output.scale;
}

// The first output's size and the largest scale of any: where a new window
// opens is the compositor's choice. Both as a window would be shown there:
// at a fractional scale the window's pixels are its logical ones times the
// whole part of the scale. A connection of its own, since any thread may
// ask; one look suffices.
Screen MeasureScreen() {
  static std::mutex lock;
  static bool measured = false;  // lock
  static Screen screen;          // lock
  std::lock_guard guard(lock);
  if (!measured) {
    measured = true;
    std::vector<Output> outputs;
    bool viewporter = false;
    if (wl_display* display = ConnectAndListOutputs(outputs, viewporter); display != nullptr) {
      for (const Output& output : outputs) {
        if (output.width <= 0) continue;
        const int whole = std::max(1, WindowScale120(output, viewporter) / 120);
        if (screen.width == 0) {
          const bool logical = viewporter && LogicalScale120(output) > 0;
          screen.width = logical ? output.logicalWidth * whole : output.width;
          screen.height = logical ? output.logicalHeight * whole : output.height;
        }
        screen.scale = std::max(screen.scale, whole);
      }
      wl_display_disconnect(display);
    }
  }
  return screen;
}

}  // namespace

ScreenSize ScreenSizeNow() {
  const Screen screen = MeasureScreen();
  return {screen.width, screen.height};
}

// A Wayland client learns neither its output's panels nor its frame: the
// whole output is the area, the frame drawn outside the surface counts as none.
Rect WorkArea(Window) {
  const auto screen = MeasureScreen();
  return {0, 0, screen.width, screen.height};
}
Rect WindowManagerFrame(Window) { return {}; }

int DisplayScale(Window window) {
  if (window != 0 && window == TheWindow.id) return std::max(1, CurrentScale120() / 120);
  return MeasureScreen().scale;
}

void SetFatalErrorHandler(FatalErrorHandler handler) { FatalHandler = handler; }

}  // namespace platform::wayland
