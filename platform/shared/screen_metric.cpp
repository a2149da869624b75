// The metrics of a screen whose frames are drawn outside the client area
// (by the window manager or the compositor), as every Linux window system has.
#include "platform/shared/window_model.hpp"

namespace platform::shared {

int ScreenMetric(int index, int width, int height) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
      return width;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
      return height;
    default:
      // Frame and caption lie outside the client area.
      return 0;
  }
}

}  // namespace platform::shared
