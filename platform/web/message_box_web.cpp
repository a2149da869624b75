// The message box is a dialog in the page with the text and an OK button.
// The calling thread waits until the page reports it closed. The text also
// goes to standard error, which is the browser's console.
#include <emscripten/emscripten.h>

#include <condition_variable>
#include <mutex>
#include <set>

#include "platform/shared/box_text.hpp"
#include "web_backend.hpp"

namespace platform {

namespace {

std::mutex BoxLock;
std::condition_variable BoxClosed;
std::set<int> OpenBoxes;  // BoxLock
int NextBox = 1;          // BoxLock

}  // namespace

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  shared::WriteBoxTextToStandardError(text);
  int id = 0;
  {
    std::lock_guard lock(BoxLock);
    id = NextBox++;
    OpenBoxes.insert(id);
  }
  web::page::ShowMessageBox(id, text, caption);
  // The dialog is in the page now: the user sees it until OK.
  if (shown != nullptr) shown();
  std::unique_lock lock(BoxLock);
  BoxClosed.wait(lock, [id] { return OpenBoxes.count(id) == 0; });
}

bool ErrorOutputIsCharacterDevice() { return false; }

}  // namespace platform

// The page's OK (or Enter, or Escape) closed box id. Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE void fractals_web_box_dismissed(int id) {
  std::lock_guard lock(platform::BoxLock);
  platform::OpenBoxes.erase(id);
  platform::BoxClosed.notify_all();
}
