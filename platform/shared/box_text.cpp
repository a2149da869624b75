#include "platform/shared/box_text.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstring>

#include "platform/line_ends.hpp"

namespace platform::shared {

namespace {

void WriteAll(const char* text, std::size_t left) {
  while (left > 0) {
    const ssize_t written = write(STDERR_FILENO, text, left);
    if (written <= 0) return;
    text += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void WriteBoxTextToStandardError(const char* text) {
  const std::size_t length = std::strlen(text);
  if (length == 0) return;
  WriteWithLinuxLineEnds(text, length, WriteAll);
  if (text[length - 1] != '\n' && text[length - 1] != '\r') WriteAll("\n", 1);
}

std::vector<std::string_view> SplitBoxLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace platform::shared
