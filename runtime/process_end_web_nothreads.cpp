// The process end of the page build without threads: the module's forced
// exit tells the page (Module.onExit) and unwinds every fiber of the program
// at once, with no destructors run; none of them runs again.
#include <emscripten/emscripten.h>

#include "os.hpp"

namespace runtime {

[[noreturn]] void EndProcess(std::uint16_t code) { emscripten_force_exit(code); }

}  // namespace runtime
