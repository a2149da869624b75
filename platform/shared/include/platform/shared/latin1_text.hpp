// The program's strings are Latin-1; the window systems take titles in UTF-8.
#pragma once

#include <string>

namespace platform::shared {

std::string Utf8FromLatin1(const char* text);

}  // namespace platform::shared
