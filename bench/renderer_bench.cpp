// DRAW_AND_CALC on the program's 16,000-point cloud (11,302 visible points),
// drawing through the graphics module into the in-memory window system. The
// label names the extended arithmetic of the build: build/linux (x87) and
// build/linux-soft (software) measure one each.
#include <benchmark/benchmark.h>

#include <bit>

#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "extended/extended.hpp"
#include "fract/fract.hpp"
#include "frame_ahead.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"

namespace {

// Which extended arithmetic the build computes with.
const char* Implementation() { return extended::kSoftware ? "software" : "x87"; }

// The arithmetic per point on this thread: working ahead needs the pause
// between frames, which frames back to back do not leave.
void OnThisThread() { app::frame_ahead::enabled = false; }

int VisiblePoints() {
  int visible = 0;
  for (int i = 0; i < app::pointcount; ++i)
    if (extended::RoundToInt64(extended::FromFloat(app::points[4 * i + 3])) != 15) ++visible;
  return visible;
}

void BM_DrawAndCalc(benchmark::State& state) {
  runtime::SetFloatingPointEnvironment();
  OnThisThread();
  graph::InitModule();
  app::SetUpScene();
  INITGRAPHMODE(30010);
  const float scale = std::bit_cast<float>(0x402DF854u);
  const int visible = VisiblePoints();
  for (auto _ : state) {
    DRAW_AND_CALC(399, 299, app::points, scale, app::pointcount, 0.02f, 0.01f, 0.01f);
  }
  graph::CloseGraph();
  state.counters["visible"] = visible;
  state.SetLabel(Implementation());
  state.counters["ns_per_visible_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * visible,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawAndCalc)->Unit(benchmark::kMicrosecond);

// The arithmetic alone: the same frame with a slot that draws nothing.
void NoPixel(std::int16_t, std::int16_t, std::uint16_t) {}

void BM_DrawAndCalcArithmetic(benchmark::State& state) {
  runtime::SetFloatingPointEnvironment();
  OnThisThread();
  app::SetUpScene();
  const auto saved = graph::PutPixel;
  graph::PutPixel = &NoPixel;
  const float scale = std::bit_cast<float>(0x402DF854u);
  const int visible = VisiblePoints();
  for (auto _ : state) {
    DRAW_AND_CALC(399, 299, app::points, scale, app::pointcount, 0.02f, 0.01f, 0.01f);
  }
  graph::PutPixel = saved;
  state.SetLabel(Implementation());
  state.counters["ns_per_visible_point"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * visible,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DrawAndCalcArithmetic)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
