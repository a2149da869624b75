#include "app/display.hpp"

#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace app {

float scale;
float anglex;
float angley;
float anglez;
char lastkey;

namespace {
constexpr char kZoomOutKey = '-';
constexpr char kZoomInKey = '=';
constexpr char kEndKey = '\r';
}  // namespace

float ZoomOut(float s) { return extended::ToFloat(extended::FromFloat(s) - ZoomStep()); }
float ZoomIn(float s) { return extended::ToFloat(extended::FromFloat(s) + ZoomStep()); }

void BeginDisplay() {
  INITGRAPHMODE(30010);
  // The compiler builtin: some C++20 libraries (emscripten's) lack std::bit_cast.
  scale = __builtin_bit_cast(float, kStartScaleBits);
}

void RunFrame() {
  anglez = 0.01f;
  angley = 0.01f;
  anglex = 0.02f;
  const std::int32_t centrey = graph::GetMaxY() / 2;
  const std::int32_t centrex = graph::GetMaxX() / 2;
  DRAW_AND_CALC(centrex, centrey, points, scale, pointcount, anglex, angley, anglez);
  wincrt::Delay(10);
  if (wincrt::KeyPressed()) {
    lastkey = wincrt::ReadKey();
    if (lastkey == kZoomOutKey) scale = ZoomOut(scale);
    if (lastkey == kZoomInKey) scale = ZoomIn(scale);
    // A new scale makes the next erase miss the old pixels; every key clears.
    graph::ClearDevice();
  }
}

bool DisplayEnded() { return lastkey == kEndKey || graph::WindowClosed(); }

void RunDisplayPhase() {
  BeginDisplay();
  do {
    RunFrame();
  } while (!DisplayEnded());
  graph::CloseGraph();
  runtime::Halt(0);
}

}  // namespace app
