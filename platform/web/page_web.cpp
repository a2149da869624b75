// The calls into the page: each runs on the main browser thread, through
// page/page.js (window.FractalsPage), while the calling thread waits.
#include <emscripten/emscripten.h>

#include "web_backend.hpp"

namespace platform::web::page {

bool CreateWindow(int width, int height) {
  return MAIN_THREAD_EM_ASM_INT({ return FractalsPage.createWindow($0, $1) ? 1 : 0; }, width,
                                height) != 0;
}

void ShowWindow(bool shown) {
  MAIN_THREAD_EM_ASM({ FractalsPage.showWindow($0 != 0); }, shown ? 1 : 0);
}

void DestroyWindow() {
  MAIN_THREAD_EM_ASM({ FractalsPage.destroyWindow(); });
}

void SetCaption(const char* text) {
  MAIN_THREAD_EM_ASM({ FractalsPage.setCaption(FractalsPage.latin1(HEAPU8, $0)); }, text);
}

void Present(const std::uint32_t* rgba, int stride, Rect rect) {
  MAIN_THREAD_EM_ASM({ FractalsPage.present(HEAPU8, $0, $1, $2, $3, $4, $5); }, rgba, stride,
                     rect.left, rect.top, rect.right, rect.bottom);
}

int ScreenMetric(int index) {
  return MAIN_THREAD_EM_ASM_INT({ return FractalsPage.screenMetric($0); }, index);
}

void ShowMessageBox(int id, const char* text, const char* caption) {
  MAIN_THREAD_EM_ASM(
      {
        FractalsPage.showMessageBox($0, FractalsPage.latin1(HEAPU8, $1),
                                    $2 ? FractalsPage.latin1(HEAPU8, $2) : "");
      },
      id, text, caption);
}

}  // namespace platform::web::page
