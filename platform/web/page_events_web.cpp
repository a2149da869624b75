// What the page hands the window thread: its key events, focus lost and repaint
// requests, which come in on the main browser thread and go into the shared
// message model.
#include <emscripten/emscripten.h>

#include "page_keys.hpp"
#include "platform/shared/window_model.hpp"
#include "web_backend.hpp"

// Defined here, with the page's entry points, so that a program that uses
// the window links them in too.
std::atomic<platform::Window> platform::web::PageWindow{0};

namespace {

// Page event flags, as page.js packs them.
constexpr int kPress = 1;
constexpr int kRepeat = 2;
constexpr int kCtrl = 8;
constexpr int kAlt = 16;
constexpr int kMeta = 32;
constexpr int kAltGraph = 64;

}  // namespace

// A key event of the page: code and key as the browser gives them. Returns
// whether the page keeps the key from the browser. Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_web_key(int flags, const char* code, const char* key) {
  using namespace platform;
  const bool press = (flags & kPress) != 0;
  const web::Modifiers held{(flags & kCtrl) != 0, (flags & kAlt) != 0, (flags & kMeta) != 0,
                            (flags & kAltGraph) != 0};
  const keys::KeyMessages messages = web::TranslatePageKey(code, key, press, held);
  if (messages.virtualKey == 0) return 0;
  // lParam as Windows packs it: repeat count 1, Alt held, the previous key
  // state and the transition. The scan code is not known to a page.
  LPARAM lParam = 1;
  if (held.alt || messages.virtualKey == VK_MENU) lParam |= LPARAM{1} << 29;
  if ((flags & kRepeat) != 0 || !press) lParam |= LPARAM{1} << 30;
  if (!press) lParam |= LPARAM{1} << 31;
  const Window window = web::PageWindow.load();
  if (window == 0 || !shared::PostKeyMessage({window, messages.key, messages.virtualKey, lParam},
                                             messages.charMessage, messages.character)) {
    return 0;
  }
  return web::PageKeepsKey(messages, held) ? 1 : 0;
}

// The page lost the focus, or its window area did: the window hears of it
// as on the desktops, and lets go of the Ctrl and Alt it held. Main browser
// thread.
extern "C" EMSCRIPTEN_KEEPALIVE void fractals_web_focus_lost() {
  using namespace platform;
  if (const Window window = web::PageWindow.load(); window != 0) {
    PostMessage(window, WM_KILLFOCUS, 0, 0);
  }
}

// The page asks for a repaint of a part of the window (its canvas was
// cleared, or a test spoiled it). Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE void fractals_web_repaint(int left, int top, int right,
                                                          int bottom) {
  using namespace platform;
  if (const Window window = web::PageWindow.load(); window != 0) {
    shared::Invalidate(window, {left, top, right, bottom});
  }
}
