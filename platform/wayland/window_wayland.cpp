// The graphics window on Wayland: an xdg toplevel of fixed size with its
// title and app id, decorations by the compositor where it offers them and
// by libdecor elsewhere, the close request, the outputs it is on and their
// scale, default handling and destruction.
#include <fractional-scale-v1-client.h>
#include <libdecor-0/libdecor.h>
#include <viewporter-client.h>
#include <xdg-decoration-unstable-v1-client.h>
#include <xdg-shell-client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/shared/latin1_text.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

GraphWindowRecord TheWindow;
libdecor* TheDecorations = nullptr;

namespace {

// The desktop entry's name, so that the dock shows the entry's icon.
constexpr char kAppId[] = FRACTALS_APP_ID;
// How long the compositor may take to configure a new window.
constexpr auto kConfigureWait = std::chrono::seconds(5);

Window NextId = 1;
std::vector<wl_output*> EnteredOutputs;

// The largest scales, whole and fractional, of the outputs the window is
// on; before it is on any, the largest of all, where a new window is likely
// to open.
void TakeOutputScale() {
  int scale = 0;
  int fractional = 0;
  int any = 1;
  int anyFractional = 0;
  for (const Output& output : TheGlobals.outputs) {
    if (output.width <= 0) continue;
    any = std::max(any, output.scale);
    anyFractional = std::max(anyFractional, LogicalScale120(output));
    if (std::find(EnteredOutputs.begin(), EnteredOutputs.end(), output.output) !=
        EnteredOutputs.end()) {
      scale = std::max(scale, output.scale);
      fractional = std::max(fractional, LogicalScale120(output));
    }
  }
  TheWindow.outputScale = scale > 0 ? scale : any;
  TheWindow.output120 = scale > 0 ? fractional : anyFractional;
}

void OnSurfaceEnter(void*, wl_surface*, wl_output* output) {
  EnteredOutputs.push_back(output);
  OnScaleChanged();
}

void OnSurfaceLeave(void*, wl_surface*, wl_output* output) {
  std::erase(EnteredOutputs, output);
  OnScaleChanged();
}

const wl_surface_listener SurfaceListener = {OnSurfaceEnter, OnSurfaceLeave};

void OnPreferredScale(void*, wp_fractional_scale_v1*, std::uint32_t scale) {
  TheWindow.preferred120 = static_cast<int>(std::min<std::uint32_t>(scale, 120 * 16));
  OnScaleChanged();
}

const wp_fractional_scale_v1_listener FractionalListener = {OnPreferredScale};

void OnXdgSurfaceConfigure(void*, xdg_surface* surface, std::uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  if (!TheWindow.configured) {
    TheWindow.configured = true;
  } else if (TheWindow.surface != nullptr) {
    wl_surface_commit(TheWindow.surface);
  }
}

const xdg_surface_listener XdgSurfaceListener = {OnXdgSurfaceConfigure};

// The size stays the program's: a suggested one is not taken.
void OnToplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void OnToplevelClose(void*, xdg_toplevel*) { OnCloseRequest(); }

// Later versions' events are not asked for (the shell is bound at version 2).
const xdg_toplevel_listener ToplevelListener = [] {
  xdg_toplevel_listener listener{};
  listener.configure = OnToplevelConfigure;
  listener.close = OnToplevelClose;
  return listener;
}();

void OnDecorationError(libdecor*, libdecor_error, const char* message) {
  std::fprintf(stderr, "Window decorations failed: %s\n", message);
  ConnectionLost(TheDisplay);
}

libdecor_interface DecorationsInterface = [] {
  libdecor_interface callbacks{};
  callbacks.error = OnDecorationError;
  return callbacks;
}();

void OnFrameConfigure(libdecor_frame* frame, libdecor_configuration* configuration, void*) {
  libdecor_state* state = libdecor_state_new(TheWindow.logicalWidth, TheWindow.logicalHeight);
  libdecor_frame_commit(frame, state, configuration);
  libdecor_state_free(state);
  if (!TheWindow.configured) {
    TheWindow.configured = true;
  } else if (TheWindow.surface != nullptr) {
    wl_surface_commit(TheWindow.surface);
  }
}

void OnFrameClose(libdecor_frame*, void*) { OnCloseRequest(); }
void OnFrameCommit(libdecor_frame*, void*) {
  if (TheWindow.surface != nullptr) wl_surface_commit(TheWindow.surface);
}
void OnFrameDismissPopup(libdecor_frame*, const char*, void*) {}

libdecor_frame_interface FrameInterface = [] {
  libdecor_frame_interface callbacks{};
  callbacks.configure = OnFrameConfigure;
  callbacks.close = OnFrameClose;
  callbacks.commit = OnFrameCommit;
  callbacks.dismiss_popup = OnFrameDismissPopup;
  return callbacks;
}();

void ApplyFixedSize() {
  const int w = TheWindow.logicalWidth;
  const int h = TheWindow.logicalHeight;
  if (TheWindow.frame != nullptr) {
    libdecor_frame_set_min_content_size(TheWindow.frame, w, h);
    libdecor_frame_set_max_content_size(TheWindow.frame, w, h);
  } else if (TheWindow.toplevel != nullptr) {
    xdg_toplevel_set_min_size(TheWindow.toplevel, w, h);
    xdg_toplevel_set_max_size(TheWindow.toplevel, w, h);
  }
}

// The toplevel role, decorated: by the compositor where it offers that,
// else by libdecor. false when neither can be had.
bool MakeToplevel() {
  if (TheGlobals.decorations != nullptr) {
    TheWindow.xdgSurface = xdg_wm_base_get_xdg_surface(TheGlobals.wmBase, TheWindow.surface);
    xdg_surface_add_listener(TheWindow.xdgSurface, &XdgSurfaceListener, nullptr);
    TheWindow.toplevel = xdg_surface_get_toplevel(TheWindow.xdgSurface);
    xdg_toplevel_add_listener(TheWindow.toplevel, &ToplevelListener, nullptr);
    xdg_toplevel_set_app_id(TheWindow.toplevel, kAppId);
    TheWindow.decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(
        TheGlobals.decorations, TheWindow.toplevel);
    zxdg_toplevel_decoration_v1_set_mode(TheWindow.decoration,
                                         ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
    ApplyFixedSize();
    wl_surface_commit(TheWindow.surface);
    return true;
  }
  TheDecorations = libdecor_new(TheDisplay, &DecorationsInterface);
  if (TheDecorations == nullptr) return false;
  TheWindow.frame = libdecor_decorate(TheDecorations, TheWindow.surface, &FrameInterface, nullptr);
  if (TheWindow.frame == nullptr) return false;
  libdecor_frame_set_app_id(TheWindow.frame, kAppId);
  // A window of fixed size: no resizing, no full screen.
  libdecor_frame_unset_capabilities(
      TheWindow.frame,
      static_cast<libdecor_capabilities>(LIBDECOR_ACTION_RESIZE | LIBDECOR_ACTION_FULLSCREEN));
  ApplyFixedSize();
  libdecor_frame_map(TheWindow.frame);
  return true;
}

// Until the compositor has configured the window, at most kConfigureWait.
bool AwaitConfigure() {
  const auto until = std::chrono::steady_clock::now() + kConfigureWait;
  while (!TheWindow.configured) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) return false;
    if (TheDecorations != nullptr) {
      if (libdecor_dispatch(TheDecorations, static_cast<int>(left)) < 0) {
        ConnectionLost(TheDisplay);
      }
    } else {
      ReadAndDispatch(static_cast<int>(left));
    }
  }
  return true;
}

void DestroyGraphWindow() {
  if (TheWindow.id == 0) return;
  ReleaseBuffers();
  if (TheWindow.viewport != nullptr) wp_viewport_destroy(TheWindow.viewport);
  if (TheWindow.fractional != nullptr) wp_fractional_scale_v1_destroy(TheWindow.fractional);
  if (TheWindow.decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(TheWindow.decoration);
  if (TheWindow.toplevel != nullptr) xdg_toplevel_destroy(TheWindow.toplevel);
  if (TheWindow.xdgSurface != nullptr) xdg_surface_destroy(TheWindow.xdgSurface);
  if (TheWindow.frame != nullptr) libdecor_frame_unref(TheWindow.frame);
  if (TheWindow.surface != nullptr) wl_surface_destroy(TheWindow.surface);
  if (TheDecorations != nullptr) libdecor_unref(TheDecorations);
  TheDecorations = nullptr;
  EnteredOutputs.clear();
  Flush();
  TheWindow = {};
  ResetKeyState();
}

// The logical size for the client area given, at the scale the window has now.
void TakeClientSize(int width, int height) {
  const int whole = std::max(1, CurrentScale120() / 120);
  TheWindow.width = width;
  TheWindow.height = height;
  TheWindow.logicalWidth = std::max(1, width / whole);
  TheWindow.logicalHeight = std::max(1, height / whole);
}

}  // namespace

// Where the compositor has no word for a window's fractional scale, the
// outputs' sizes say it.
int FractionalScale120() {
  return TheWindow.preferred120 > 0 ? TheWindow.preferred120 : TheWindow.output120;
}

int CurrentScale120() {
  const int fractional = FractionalScale120();
  if (fractional > 0 && TheGlobals.viewporter != nullptr) return fractional;
  return 120 * TheWindow.outputScale;
}

void OnCloseRequest() {
  if (TheWindow.id != 0) platform::PostMessage(TheWindow.id, WM_CLOSE, 0, 0);
}

void OnScaleChanged() {
  if (TheWindow.id == 0) return;
  const int before = CurrentScale120();
  TakeOutputScale();
  const int now = CurrentScale120();
  if (now == before) return;
  // The graphics module chooses the picture's factor anew, as for a move
  // to another monitor; the buffers follow at the next paint.
  platform::PostMessage(TheWindow.id, WM_DPICHANGED, static_cast<WPARAM>(96 * now / 120), 0);
  shared::Invalidate(TheWindow.id, {0, 0, TheWindow.width, TheWindow.height});
}

void ApplyCaption(const char* text) {
  const std::string utf8 = shared::Utf8FromLatin1(text);
  if (TheWindow.frame != nullptr) {
    libdecor_frame_set_title(TheWindow.frame, utf8.c_str());
  } else if (TheWindow.toplevel != nullptr) {
    xdg_toplevel_set_title(TheWindow.toplevel, utf8.c_str());
  }
  Flush();
}

void GreyClose() {
  // Decorations drawn by the compositor have no word for it.
  if (TheWindow.frame == nullptr) return;
  libdecor_frame_unset_capabilities(TheWindow.frame, LIBDECOR_ACTION_CLOSE);
  Flush();
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

Window CreateGraphWindow(const char* caption, std::uint32_t, int, int, int width, int height) {
  if (shared::ClassProc() == nullptr || TheWindow.id != 0 || width <= 0 || height <= 0) return 0;
  if (OpenConnection() == nullptr) return 0;
  // Without somewhere to draw or a shell to be a window in, there is no window.
  if (TheGlobals.compositor == nullptr || TheGlobals.shm == nullptr ||
      TheGlobals.wmBase == nullptr) {
    return 0;
  }
  TheWindow.id = NextId++;
  TakeOutputScale();
  TheWindow.surface = wl_compositor_create_surface(TheGlobals.compositor);
  wl_surface_add_listener(TheWindow.surface, &SurfaceListener, nullptr);
  if (TheGlobals.viewporter != nullptr) {
    TheWindow.viewport = wp_viewporter_get_viewport(TheGlobals.viewporter, TheWindow.surface);
    if (TheGlobals.fractionalScale != nullptr) {
      TheWindow.fractional = wp_fractional_scale_manager_v1_get_fractional_scale(
          TheGlobals.fractionalScale, TheWindow.surface);
      wp_fractional_scale_v1_add_listener(TheWindow.fractional, &FractionalListener, nullptr);
    }
  }
  TakeClientSize(width, height);
  if (!MakeToplevel()) {
    DestroyGraphWindow();
    return 0;
  }
  ApplyCaption(caption != nullptr ? caption : "");
  if (!AwaitConfigure()) {
    DestroyGraphWindow();
    return 0;
  }
  return shared::AddWindow(TheWindow.id, width, height);
}

// The compositor, or libdecor, draws the frame outside the surface: the
// window is its client area.
Rect AdjustWindowRect(Rect client, std::uint32_t) { return client; }

void SetWindowSize(Window window, int width, int height) {
  if (window == 0 || window != TheWindow.id || width <= 0 || height <= 0) return;
  TakeClientSize(width, height);
  shared::SetClientSize(window, width, height);
  ApplyFixedSize();
  Flush();
}

// The compositor places the window; only its size is the program's.
void SetWindowRect(Window window, Rect outer) {
  SetWindowSize(window, outer.right - outer.left, outer.bottom - outer.top);
}

void ShowWindow(Window window, int command) {
  if (window == 0 || window != TheWindow.id) return;
  const bool hide = command == SW_HIDE;
  shared::SetVisible(window, !hide);
  if (hide == TheWindow.hidden) return;
  TheWindow.hidden = hide;
  if (hide) {
    // No buffer: the compositor unmaps the window.
    wl_surface_attach(TheWindow.surface, nullptr, 0, 0);
    wl_surface_commit(TheWindow.surface);
    Flush();
  }
}

void GreyCloseCommand(Window window) {
  // The decorations are the window thread's, on its connection.
  shared::RunOnWindowThread(
      window, [](void*) { GreyClose(); }, nullptr);
}

}  // namespace platform::wayland
