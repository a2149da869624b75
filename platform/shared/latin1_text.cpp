// Latin-1 to UTF-8: each byte is its own code point.
#include "platform/shared/latin1_text.hpp"

namespace platform::shared {

std::string Utf8FromLatin1(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace platform::shared
