// The window's icon: the program's own picture in the sizes a window
// manager or task bar picks from, published as _NET_WM_ICON.
#include <X11/Xatom.h>

#include <iterator>
#include <vector>

#include "window_icon_data.hpp"
#include "x11_backend.hpp"

namespace platform::x11 {

void ApplyWindowIcon(::Window id) {
  const Atom netWmIcon = XInternAtom(TheDisplay, "_NET_WM_ICON", False);
  // Xlib takes format-32 data as an array of long, whatever long's width.
  const std::vector<unsigned long> data(std::begin(kWindowIcon), std::end(kWindowIcon));
  XChangeProperty(TheDisplay, id, netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(data.data()),
                  static_cast<int>(data.size()));
}

}  // namespace platform::x11
