// What drawing does outside graphics mode: it reports and ends the program.
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "variants.hpp"

namespace graph {

namespace {

[[noreturn]] void NotInGraphicsMode() {
  runtime::WriteErrorOutput(
      "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)\r\n");
  runtime::Halt(1);
}

}  // namespace

void (*PutPixel)(std::int16_t, std::int16_t, std::uint16_t) = PutPixelDefault;
void (*HLine)(std::int16_t, std::int16_t, std::int16_t) = HLineDefault;
void (*ClearViewPort)() = ClearViewPortGeneral;

void PutPixelDefault(std::int16_t, std::int16_t, std::uint16_t) { NotInGraphicsMode(); }

void HLineDefault(std::int16_t, std::int16_t, std::int16_t) { NotInGraphicsMode(); }

void DefaultHooks() {
  PutPixel = PutPixelDefault;
  HLine = HLineDefault;
  ClearViewPort = ClearViewPortGeneral;
}

}  // namespace graph
