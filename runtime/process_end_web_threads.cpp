// The process end of the threaded page build. The page's own thread keeps
// the module's runtime for the page, so a forced exit there would return into
// the program's code: the page hears of the end (its Module.onExit) and this
// thread stays where it is; nothing of the program runs again that the page
// listens to.
#include <emscripten/emscripten.h>
#include <unistd.h>

#include "os.hpp"

namespace runtime {

[[noreturn]] void EndProcess(std::uint16_t code) {
  MAIN_THREAD_EM_ASM(
      {
        if (Module["onExit"]) Module["onExit"]($0);
      },
      code);
  for (;;) sleep(3600);
}

}  // namespace runtime
