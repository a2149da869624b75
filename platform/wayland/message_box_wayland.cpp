// The message box: a small window of its own connection (the window thread
// owns the graphics window's), with the text and an OK button, drawn with
// FreeType in the desktop's sans-serif face as fontconfig names it. Enter,
// Escape, Space, a click on OK or closing it dismisses it. The text also
// goes to standard error, which is all there is without a compositor.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include FT_FREETYPE_H

#include <xdg-decoration-unstable-v1-client.h>
#include <xdg-shell-client.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/shared/box_text.hpp"
#include "platform/window_system.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 200;
constexpr int kPixelSize = 14;
// What Windows captions a box that is given none.
constexpr char kDefaultCaption[] = "Error";
constexpr std::uint32_t kPaper = 0xFFFFFF;
constexpr std::uint32_t kInk = 0x000000;

// --- Text ------------------------------------------------------------------

struct Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int ascent = 0;
  int lineHeight = 0;
};

// The face fontconfig matches for "sans-serif"; false when there is none.
bool OpenFont(Font& font) {
  if (FcInit() == FcFalse) return false;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  if (pattern == nullptr) return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return false;
  FcChar8* file = nullptr;
  int index = 0;
  std::string path;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    path = reinterpret_cast<const char*>(file);
  }
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternDestroy(match);
  if (path.empty() || FT_Init_FreeType(&font.library) != 0) return false;
  if (FT_New_Face(font.library, path.c_str(), index, &font.face) != 0 ||
      FT_Set_Pixel_Sizes(font.face, 0, kPixelSize) != 0) {
    return false;
  }
  font.ascent = static_cast<int>(font.face->size->metrics.ascender >> 6);
  font.lineHeight = static_cast<int>(font.face->size->metrics.height >> 6);
  return true;
}

void CloseFont(Font& font) {
  if (font.face != nullptr) FT_Done_Face(font.face);
  if (font.library != nullptr) FT_Done_FreeType(font.library);
  font = {};
}

// The program's texts are Latin-1, whose codes are Unicode's.
FT_ULong CodeOf(char c) { return static_cast<unsigned char>(c); }

int TextWidth(const Font& font, std::string_view text) {
  int width = 0;
  for (const char c : text) {
    if (FT_Load_Char(font.face, CodeOf(c), FT_LOAD_DEFAULT) == 0) {
      width += static_cast<int>(font.face->glyph->advance.x >> 6);
    }
  }
  return width;
}

struct Canvas {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
};

// Ink blended onto paper by the glyph's coverage.
std::uint32_t Blend(std::uint32_t under, int coverage) {
  std::uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const int paper = static_cast<int>((under >> shift) & 0xFF);
    const int ink = static_cast<int>((kInk >> shift) & 0xFF);
    out |= static_cast<std::uint32_t>(paper + (ink - paper) * coverage / 255) << shift;
  }
  return out;
}

// Draws text with its baseline at y.
void DrawText(const Font& font, Canvas& canvas, int x, int y, std::string_view text) {
  for (const char c : text) {
    if (FT_Load_Char(font.face, CodeOf(c), FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot glyph = font.face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      const int py = y - glyph->bitmap_top + static_cast<int>(row);
      if (py < 0 || py >= canvas.height) continue;
      for (unsigned column = 0; column < bitmap.width; ++column) {
        const int px = x + glyph->bitmap_left + static_cast<int>(column);
        if (px < 0 || px >= canvas.width) continue;
        const int coverage = bitmap.buffer[row * bitmap.pitch + column];
        std::uint32_t& pixel = canvas.pixels[py * canvas.width + px];
        pixel = Blend(pixel, coverage);
      }
    }
    x += static_cast<int>(glyph->advance.x >> 6);
  }
}

// --- Layout ----------------------------------------------------------------

struct Button {
  int x = 0, y = 0, width = 0, height = 0;
};

struct Layout {
  std::vector<std::string_view> lines;
  int width = 0;
  int height = 0;
  Button button;
};

// As the X11 box: as wide as the longest line, within the screen; a long
// report is cut at the bottom of the screen rather than run off it.
Layout LayOut(const Font& font, const char* text, int screenWidth, int screenHeight) {
  Layout layout;
  layout.lines = shared::SplitBoxLines(text);
  const int maxLines = std::max(1, (screenHeight - 120 - kButtonHeight) / font.lineHeight);
  if (static_cast<int>(layout.lines.size()) > maxLines) layout.lines.resize(maxLines);
  int textWidth = 0;
  for (const std::string_view line : layout.lines) {
    textWidth = std::max(textWidth, TextWidth(font, line));
  }
  layout.width =
      std::min(std::max(kMinWidth, textWidth + 2 * kMargin), std::max(kMinWidth, screenWidth - 40));
  const int textHeight = static_cast<int>(layout.lines.size()) * font.lineHeight;
  layout.height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  layout.button = {(layout.width - kButtonWidth) / 2, layout.height - kMargin - kButtonHeight,
                   kButtonWidth, kButtonHeight};
  return layout;
}

void Draw(const Font& font, const Layout& layout, Canvas& canvas) {
  std::fill(canvas.pixels, canvas.pixels + canvas.width * canvas.height, kPaper);
  int y = kMargin + font.ascent;
  for (const std::string_view line : layout.lines) {
    DrawText(font, canvas, kMargin, y, line);
    y += font.lineHeight;
  }
  const Button& b = layout.button;
  for (int x = b.x; x < b.x + b.width; ++x) {
    canvas.pixels[b.y * canvas.width + x] = kInk;
    canvas.pixels[(b.y + b.height - 1) * canvas.width + x] = kInk;
  }
  for (int row = b.y; row < b.y + b.height; ++row) {
    canvas.pixels[row * canvas.width + b.x] = kInk;
    canvas.pixels[row * canvas.width + b.x + b.width - 1] = kInk;
  }
  const int okWidth = TextWidth(font, "OK");
  DrawText(font, canvas, b.x + (b.width - okWidth) / 2,
           b.y + (b.height + font.ascent - (font.lineHeight - font.ascent)) / 2, "OK");
}

// --- The box's window ----------------------------------------------------------

struct Box {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wmBase = nullptr;
  zxdg_decoration_manager_v1* decorations = nullptr;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  Button button;
  int pointerX = -1;
  int pointerY = -1;
  bool configured = false;
  bool open = true;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
              std::uint32_t) {
  auto& box = *static_cast<Box*>(data);
  const auto is = [interface](const wl_interface& i) {
    return std::strcmp(interface, i.name) == 0;
  };
  if (is(wl_compositor_interface)) {
    box.compositor =
        static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
  } else if (is(wl_shm_interface)) {
    box.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (is(xdg_wm_base_interface)) {
    box.wmBase =
        static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
  } else if (is(zxdg_decoration_manager_v1_interface)) {
    box.decorations = static_cast<zxdg_decoration_manager_v1*>(
        wl_registry_bind(registry, name, &zxdg_decoration_manager_v1_interface, 1));
  } else if (is(wl_seat_interface) && box.seat == nullptr) {
    box.seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  }
}

void OnGlobalRemove(void*, wl_registry*, std::uint32_t) {}
const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener WmBaseListener = {OnPing};

void OnSurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  static_cast<Box*>(data)->configured = true;
}
const xdg_surface_listener SurfaceListener = {OnSurfaceConfigure};

void OnToplevelConfigure(void*, xdg_toplevel*, int32_t, int32_t, wl_array*) {}
void OnToplevelClose(void* data, xdg_toplevel*) { static_cast<Box*>(data)->open = false; }
// Later versions' events are not asked for (the shell is bound at version 2).
const xdg_toplevel_listener ToplevelListener = [] {
  xdg_toplevel_listener listener{};
  listener.configure = OnToplevelConfigure;
  listener.close = OnToplevelClose;
  return listener;
}();

void OnKeymap(void*, wl_keyboard*, std::uint32_t, int32_t fd, std::uint32_t) { close(fd); }
void OnEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
// The dismissing keys by their place on the keyboard, whatever the layout.
void OnKey(void* data, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
           std::uint32_t state) {
  if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
  if (key == KEY_ENTER || key == KEY_KPENTER || key == KEY_ESC || key == KEY_SPACE) {
    static_cast<Box*>(data)->open = false;
  }
}
void OnModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t,
                 std::uint32_t) {}
const wl_keyboard_listener KeyboardListener = {OnKeymap, OnEnter,     OnLeave,
                                               OnKey,    OnModifiers, nullptr};

void OnPointerEnter(void* data, wl_pointer*, std::uint32_t, wl_surface*, wl_fixed_t x,
                    wl_fixed_t y) {
  auto& box = *static_cast<Box*>(data);
  box.pointerX = wl_fixed_to_int(x);
  box.pointerY = wl_fixed_to_int(y);
}
void OnPointerLeave(void* data, wl_pointer*, std::uint32_t, wl_surface*) {
  static_cast<Box*>(data)->pointerX = -1;
}
void OnPointerMotion(void* data, wl_pointer*, std::uint32_t, wl_fixed_t x, wl_fixed_t y) {
  OnPointerEnter(data, nullptr, 0, nullptr, x, y);
}
void OnPointerButton(void* data, wl_pointer*, std::uint32_t, std::uint32_t, std::uint32_t button,
                     std::uint32_t state) {
  auto& box = *static_cast<Box*>(data);
  const Button& b = box.button;
  if (button == BTN_LEFT && state == WL_POINTER_BUTTON_STATE_RELEASED && box.pointerX >= b.x &&
      box.pointerX < b.x + b.width && box.pointerY >= b.y && box.pointerY < b.y + b.height) {
    box.open = false;
  }
}
void OnPointerAxis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
// The seat is bound at version 1: the later events never come.
const wl_pointer_listener PointerListener = [] {
  wl_pointer_listener listener{};
  listener.enter = OnPointerEnter;
  listener.leave = OnPointerLeave;
  listener.motion = OnPointerMotion;
  listener.button = OnPointerButton;
  listener.axis = OnPointerAxis;
  return listener;
}();

void OnCapabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
  auto& box = *static_cast<Box*>(data);
  if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && box.keyboard == nullptr) {
    box.keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(box.keyboard, &KeyboardListener, &box);
  }
  if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && box.pointer == nullptr) {
    box.pointer = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(box.pointer, &PointerListener, &box);
  }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener SeatListener = {OnCapabilities, OnSeatName};

// A buffer of the box's size with its picture; null when none can be made.
wl_buffer* MakePicture(const Box& box, const Font& font, const Layout& layout) {
  const std::size_t bytes = static_cast<std::size_t>(layout.width) * layout.height * 4;
  const int fd = memfd_create("fractals-box", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  void* memory = ftruncate(fd, static_cast<off_t>(bytes)) == 0
                     ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                     : MAP_FAILED;
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  Canvas canvas{static_cast<std::uint32_t*>(memory), layout.width, layout.height};
  Draw(font, layout, canvas);
  munmap(memory, bytes);
  wl_shm_pool* pool = wl_shm_create_pool(box.shm, fd, static_cast<int32_t>(bytes));
  close(fd);
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, layout.width, layout.height,
                                                layout.width * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  return buffer;
}

// Shows the box and waits until it is dismissed or the compositor goes.
void RunBox(wl_display* display, const char* text, const char* caption, void (*shown)()) {
  Box box;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &RegistryListener, &box);
  if (wl_display_roundtrip(display) < 0) return;
  if (box.compositor == nullptr || box.shm == nullptr || box.wmBase == nullptr) return;
  xdg_wm_base_add_listener(box.wmBase, &WmBaseListener, nullptr);
  if (box.seat != nullptr) wl_seat_add_listener(box.seat, &SeatListener, &box);

  Font font;
  if (!OpenFont(font)) {
    CloseFont(font);
    return;
  }
  const int scale = std::max(1, DisplayScale(0));
  const ScreenSize screen = ScreenSizeNow();
  const Layout layout = LayOut(font, text, screen.width / scale, screen.height / scale);
  box.button = layout.button;

  wl_surface* surface = wl_compositor_create_surface(box.compositor);
  xdg_surface* xdgSurface = xdg_wm_base_get_xdg_surface(box.wmBase, surface);
  xdg_surface_add_listener(xdgSurface, &SurfaceListener, &box);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdgSurface);
  xdg_toplevel_add_listener(toplevel, &ToplevelListener, &box);
  xdg_toplevel_set_title(toplevel, caption);
  xdg_toplevel_set_app_id(toplevel, FRACTALS_APP_ID);
  xdg_toplevel_set_min_size(toplevel, layout.width, layout.height);
  xdg_toplevel_set_max_size(toplevel, layout.width, layout.height);
  zxdg_toplevel_decoration_v1* decoration = nullptr;
  if (box.decorations != nullptr) {
    decoration = zxdg_decoration_manager_v1_get_toplevel_decoration(box.decorations, toplevel);
    zxdg_toplevel_decoration_v1_set_mode(decoration, ZXDG_TOPLEVEL_DECORATION_V1_MODE_SERVER_SIDE);
  }
  wl_surface_commit(surface);
  wl_buffer* picture = nullptr;
  while (box.open && wl_display_dispatch(display) >= 0) {
    if (!box.configured || picture != nullptr) continue;
    picture = MakePicture(box, font, layout);
    if (picture == nullptr) break;
    wl_surface_attach(surface, picture, 0, 0);
    wl_surface_damage(surface, 0, 0, layout.width, layout.height);
    wl_surface_commit(surface);
    wl_display_roundtrip(display);
    if (shown != nullptr) std::exchange(shown, nullptr)();
  }
  if (picture != nullptr) wl_buffer_destroy(picture);
  if (decoration != nullptr) zxdg_toplevel_decoration_v1_destroy(decoration);
  xdg_toplevel_destroy(toplevel);
  xdg_surface_destroy(xdgSurface);
  wl_surface_destroy(surface);
  wl_display_roundtrip(display);
  CloseFont(font);
}

}  // namespace

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  shared::WriteBoxTextToStandardError(text);
  wl_display* display = Connect();
  if (display == nullptr) return;
  RunBox(display, text, caption != nullptr ? caption : kDefaultCaption, shown);
  wl_display_disconnect(display);
}

bool ErrorOutputIsCharacterDevice() { return isatty(STDERR_FILENO) != 0; }

}  // namespace platform::wayland
