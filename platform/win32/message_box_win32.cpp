#include "win32_api.hpp"

namespace platform {

void MessageBox(const char* text, const char* caption) {
  MessageBoxA(nullptr, text, caption, MB_OK);
}

bool ErrorOutputIsCharacterDevice() {
  const HANDLE errorOutput = GetStdHandle(STD_ERROR_HANDLE);
  return errorOutput != nullptr && errorOutput != INVALID_HANDLE_VALUE &&
         GetFileType(errorOutput) == FILE_TYPE_CHAR;
}

}  // namespace platform
