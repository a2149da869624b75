// What the in-process window system adds to the shared message model: the
// characters key-downs type, the class's black background, and its own
// records of the windows the model destroys.
#include "memory_state.hpp"
#include "platform/memory/memory_control.hpp"
#include "platform/shared/window_model.hpp"

namespace platform {

using memory::TheState;

namespace {

// The character a key-down gives, with no modifier held; 0 for none.
char KeyCharacter(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  switch (key) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
      return static_cast<char>(key);
    case 0xBD:
      return '-';  // VK_OEM_MINUS
    case 0xBB:
      return '=';  // VK_OEM_PLUS
    default:
      return 0;
  }
}

bool KeyDownCharacter(const Message& keyDown, UINT& charMessage, int& character) {
  if (keyDown.message != WM_KEYDOWN) return false;
  const char c = KeyCharacter(keyDown.wParam);
  if (c == 0) return false;
  charMessage = WM_CHAR;
  character = static_cast<unsigned char>(c);
  return true;
}

void ForgetRecord(Window window) {
  std::lock_guard lock(TheState().lock);
  TheState().windows.erase(window);
}

void SetCaption(Window window, const char* text) {
  std::lock_guard lock(TheState().lock);
  if (memory::WindowRecord* record = memory::FindWindowRecord(window)) record->caption = text;
}

// Like the class's black background brush: the part beyond the image is
// erased before the window procedure paints.
void EraseBackground(Window window, Rect rect) {
  std::lock_guard lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr || record->surface.empty()) return;
  rect = {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, record->clientWidth),
          std::min(rect.bottom, record->clientHeight)};
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (x >= record->imageWidth * record->scale || y >= record->imageHeight * record->scale) {
        record->surface[static_cast<std::size_t>(y) * record->clientWidth + x] = 0;
      }
    }
  }
}

}  // namespace

const shared::BackendHooks& shared::Backend() {
  static constexpr BackendHooks hooks = {
      .destroyWindow = ForgetRecord,
      .setCaption = SetCaption,
      .keyCharacter = KeyDownCharacter,
      .eraseBackground = EraseBackground,
  };
  return hooks;
}

namespace memory {

void WaitUntilIdle() { shared::WaitUntilIdle(); }

void PostCloseFromOutside(Window window) { PostMessage(window, WM_CLOSE, 0, 0); }

void InvalidateRect(Window window, Rect rect) { shared::Invalidate(window, rect); }

}  // namespace memory

}  // namespace platform
