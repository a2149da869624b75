// Text for a terminal, a pipe or a file on Linux ends its lines with LF
// alone; the CR LF of the program's own text stays for what a message box
// shows. Allocates nothing, so an error path may use it.
#pragma once

#include <cstddef>

namespace platform {

// Hands text to write(pointer, count) in pieces, each CR that comes right
// before an LF left out.
template <typename Write>
void WriteWithLinuxLineEnds(const char* text, std::size_t length, Write write) {
  std::size_t start = 0;
  for (std::size_t i = 0; i + 1 < length; ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') {
      if (i > start) write(text + start, i - start);
      start = i + 1;
    }
  }
  if (length > start) write(text + start, length - start);
}

}  // namespace platform
