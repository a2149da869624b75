// The text of a message box: its lines for the boxes the program draws itself
// (X11, Wayland), and the copy every backend but Win32 writes to standard error.
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
