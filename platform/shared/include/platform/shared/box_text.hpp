// The text of a message box drawn by the program itself (X11, Wayland): its
// lines for the layout, and the copy written to standard error.
#pragma once

#include <string_view>
#include <vector>

namespace platform::shared {

// Lines without their CR LF; trailing empty lines take no room.
std::vector<std::string_view> SplitBoxLines(std::string_view text);

// The box's text on standard error, with LF line ends, so that what follows
// starts on a line of its own. Any thread.
void WriteBoxTextToStandardError(const char* text);

}  // namespace platform::shared
