// The message box: a small window of its own connection (the window thread
// owns the graphics window's), with the text and an OK button. Enter,
// Escape, a click on OK or closing it dismisses it. The text also goes to
// standard error, which is all there is without a display, as a line or
// lines of its own.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/shared/box_text.hpp"
#include "platform/window_system.hpp"
#include "x11_backend.hpp"

namespace platform {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 26;
constexpr int kMinWidth = 200;
// What Windows captions a box that is given none.
constexpr char kDefaultCaption[] = "Error";

struct Layout {
  std::vector<std::string_view> lines;
  int lineHeight = 0;
  int ascent = 0;
  int width = 0;
  int height = 0;
  XRectangle button{};
};

Layout LayOut(Display* display, XFontStruct* font, const char* text) {
  Layout layout;
  layout.lines = shared::SplitBoxLines(text);
  layout.ascent = font->ascent;
  layout.lineHeight = font->ascent + font->descent;
  const int screen = DefaultScreen(display);
  // A long report is cut at the bottom of the screen rather than run off it.
  const int maxLines =
      std::max(1, (DisplayHeight(display, screen) - 120 - kButtonHeight) / layout.lineHeight);
  if (static_cast<int>(layout.lines.size()) > maxLines) layout.lines.resize(maxLines);
  int textWidth = 0;
  for (const std::string_view line : layout.lines) {
    textWidth = std::max(textWidth, XTextWidth(font, line.data(), static_cast<int>(line.size())));
  }
  layout.width = std::min(std::max(kMinWidth, textWidth + 2 * kMargin),
                          std::max(kMinWidth, DisplayWidth(display, screen) - 40));
  const int textHeight = static_cast<int>(layout.lines.size()) * layout.lineHeight;
  layout.height = kMargin + textHeight + kMargin + kButtonHeight + kMargin;
  layout.button = {static_cast<short>((layout.width - kButtonWidth) / 2),
                   static_cast<short>(layout.height - kMargin - kButtonHeight),
                   static_cast<unsigned short>(kButtonWidth),
                   static_cast<unsigned short>(kButtonHeight)};
  return layout;
}

void Draw(Display* display, ::Window box, GC gc, XFontStruct* font, const Layout& layout) {
  const int screen = DefaultScreen(display);
  XSetForeground(display, gc, BlackPixel(display, screen));
  int y = kMargin + layout.ascent;
  for (const std::string_view line : layout.lines) {
    XDrawString(display, box, gc, kMargin, y, line.data(), static_cast<int>(line.size()));
    y += layout.lineHeight;
  }
  const XRectangle& b = layout.button;
  XDrawRectangle(display, box, gc, b.x, b.y, b.width, b.height);
  const int okWidth = XTextWidth(font, "OK", 2);
  XDrawString(display, box, gc, b.x + (b.width - okWidth) / 2,
              b.y + (b.height + font->ascent - font->descent) / 2, "OK", 2);
  XFlush(display);
}

void SetCaption(Display* display, ::Window box, const char* caption) {
  XStoreName(display, box, caption);
  const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  XChangeProperty(display, box, netWmName, utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(caption),
                  static_cast<int>(std::strlen(caption)));
}

void MarkAsDialog(Display* display, ::Window box, const Layout& layout) {
  const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE", False);
  const Atom dialog = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  XChangeProperty(display, box, type, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&dialog), 1);
  XSizeHints* hints = XAllocSizeHints();
  if (hints != nullptr) {
    hints->flags = PMinSize | PMaxSize;
    hints->min_width = hints->max_width = layout.width;
    hints->min_height = hints->max_height = layout.height;
    XSetWMNormalHints(display, box, hints);
    XFree(hints);
  }
}

bool InButton(const XRectangle& b, int x, int y) {
  return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

// Shows the box and waits until it is dismissed.
void RunBox(Display* display, const char* text, const char* caption, void (*shown)()) {
  XFontStruct* font = XLoadQueryFont(display, "fixed");
  const bool loaded = font != nullptr;
  if (!loaded) font = XQueryFont(display, XGContextFromGC(DefaultGC(display, 0)));
  if (font == nullptr) return;
  const Layout layout = LayOut(display, font, text);
  const int screen = DefaultScreen(display);
  const ::Window root = RootWindow(display, screen);
  const ::Window box =
      XCreateSimpleWindow(display, root, (DisplayWidth(display, screen) - layout.width) / 2,
                          (DisplayHeight(display, screen) - layout.height) / 2,
                          static_cast<unsigned>(layout.width), static_cast<unsigned>(layout.height),
                          1, BlackPixel(display, screen), WhitePixel(display, screen));
  SetCaption(display, box, caption);
  MarkAsDialog(display, box, layout);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, box, &deleteWindow, 1);
  XSelectInput(
      display, box,
      ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask);
  GC gc = XCreateGC(display, box, 0, nullptr);
  XSetFont(display, gc, font->fid);
  XMapRaised(display, box);

  bool open = true;
  while (open) {
    XEvent event;
    XNextEvent(display, &event);
    switch (event.type) {
      case MapNotify:
        // Without a window manager nobody else gives it the keyboard.
        XSetInputFocus(display, box, RevertToParent, CurrentTime);
        break;
      case Expose:
        if (event.xexpose.count == 0) Draw(display, box, gc, font, layout);
        if (shown != nullptr) std::exchange(shown, nullptr)();
        break;
      case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        open = !(key == XK_Return || key == XK_KP_Enter || key == XK_Escape);
        break;
      }
      case ButtonRelease:
        if (event.xbutton.button == Button1 &&
            InButton(layout.button, event.xbutton.x, event.xbutton.y)) {
          open = false;
        }
        break;
      case ClientMessage:
        open = static_cast<Atom>(event.xclient.data.l[0]) != deleteWindow;
        break;
      case DestroyNotify:
        open = false;
        break;
      default:
        break;
    }
  }
  XFreeGC(display, gc);
  XDestroyWindow(display, box);
  if (loaded) {
    XFreeFont(display, font);
  } else {
    XFreeFontInfo(nullptr, font, 0);
  }
  XSync(display, False);
}

}  // namespace

namespace x11 {

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  shared::WriteBoxTextToStandardError(text);
  // The window's error handlers: a refused request is a line on standard
  // error, a broken connection ends the program, as for the window.
  Display* display = x11::OpenDisplayPatiently();
  if (display == nullptr) return;
  RunBox(display, text, caption != nullptr ? caption : kDefaultCaption, shown);
  XCloseDisplay(display);
}

bool ErrorOutputIsCharacterDevice() { return isatty(STDERR_FILENO) != 0; }

}  // namespace x11

}  // namespace platform
