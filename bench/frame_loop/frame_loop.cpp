// The program's frame loop on the real window system (X11, or Win32 under
// Wine), timed from outside the loop's code: the period of each frame, set
// beside its floor, the pause Delay(10) really takes plus the renderer's
// time for one frame.
//
//   frame_loop [FRAMES]   (default 400; the first 50 warm up)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/display.hpp"
#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(100, std::atoi(argv[1])) : 400;
  constexpr int kWarmUp = 50;

  app::StartModules();
  app::SetUpScene();
  app::BeginDisplay();
  if (!graph::IsGraphMode) {
    std::fprintf(stderr, "no graphics window\n");
    return 1;
  }

  // The pause alone.
  std::vector<double> delays;
  for (int i = 0; i < 200; ++i) {
    const auto t0 = Clock::now();
    wincrt::Delay(10);
    delays.push_back(Ms(Clock::now() - t0));
  }

  // The renderer alone, drawing into the same window.
  std::vector<double> renders;
  for (int i = 0; i < 200; ++i) {
    const auto t0 = Clock::now();
    DRAW_AND_CALC(399, 299, app::points, app::scale, app::pointcount, 0.02f, 0.01f, 0.01f);
    renders.push_back(Ms(Clock::now() - t0));
  }

  // The loop itself: a timestamp at the start of every frame.
  std::vector<double> periods;
  auto last = Clock::now();
  for (int i = 0; i < frames + kWarmUp; ++i) {
    app::RunFrame();
    const auto now = Clock::now();
    if (i >= kWarmUp) periods.push_back(Ms(now - last));
    last = now;
  }

  const double delay = Median(delays);
  const double render = Median(renders);
  const double period = Median(periods);
  const double floor = delay + render;
  std::printf("frames                 %zu\n", periods.size());
  std::printf("Delay(10) median       %.3f ms\n", delay);
  std::printf("renderer median        %.3f ms\n", render);
  std::printf("floor                  %.3f ms\n", floor);
  std::printf("frame period median    %.3f ms\n", period);
  std::printf("period / floor         %.3f\n", period / floor);
  std::fflush(stdout);

  graph::CloseGraph();
  runtime::Halt(0);
}
