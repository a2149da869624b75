// Message boxes and the error output's kind (placeholder until the runtime's error output lands).
#include <cstdio>

#include "platform/window_system.hpp"

namespace platform {

void MessageBox(const char* text, const char* caption) {
  std::fprintf(stderr, "[%s] %s", caption != nullptr ? caption : "", text);
}

bool ErrorOutputIsCharacterDevice() { return false; }

}  // namespace platform
