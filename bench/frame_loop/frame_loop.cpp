// The program's frame loop on the real window system (X11, Win32 under Wine,
// or the page in a browser), timed from outside the loop's code: the period
// of each frame (mean, p99), set beside its floor, what a plain 10 ms sleep
// of this thread really takes; the frame's arithmetic alone, on this thread
// (the renderer with a PutPixel that draws nothing and no work ahead); and
// the program thread's work per frame, the renderer drawing into the window
// after a pause, as in the loop.
//
//   frame_loop [FRAMES]   (default 400; the first 50 warm up)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#if defined(__EMSCRIPTEN__)
#include <emscripten/emscripten.h>
#endif

#include "app/display.hpp"
#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"
#include "frame_ahead.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Mean(const std::vector<double>& v) {
  double sum = 0;
  for (double x : v) sum += x;
  return sum / static_cast<double>(v.size());
}

double P99(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() * 99 / 100];
}

void NoPixel(std::int16_t, std::int16_t, std::uint16_t) {}

// The renderer's time for one frame each, n frames, each after the frame's
// pause, as in the loop: the pause is when the next frame is worked out.
std::vector<double> RendererTimes(int n) {
  std::vector<double> times;
  for (int i = 0; i < n; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto t0 = Clock::now();
    DRAW_AND_CALC(399, 299, app::points, app::scale, app::pointcount, 0.02f, 0.01f, 0.01f);
    times.push_back(Ms(Clock::now() - t0));
  }
  return times;
}

#if defined(__EMSCRIPTEN_PTHREADS__)
// The hand-over to the page's thread that every canvas copy waits for: an
// empty call there and back, from this thread.
double HandOverMean(int n) {
  const auto t0 = Clock::now();
  for (int i = 0; i < n; ++i) MAIN_THREAD_EM_ASM({});
  return Ms(Clock::now() - t0) / n;
}
#endif

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

  // What the machine allows: a plain sleep of this thread.
  std::vector<double> sleeps;
  for (int i = 0; i < 200; ++i) {
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    sleeps.push_back(Ms(Clock::now() - t0));
  }

  // The frame's arithmetic alone, and the renderer drawing into the window.
  const auto drawing = graph::PutPixel;
  graph::PutPixel = &NoPixel;
  const bool ahead = app::frame_ahead::enabled;
  app::frame_ahead::enabled = false;
  const std::vector<double> arithmetic = RendererTimes(200);
  app::frame_ahead::enabled = ahead;
  graph::PutPixel = drawing;
  const std::vector<double> renders = RendererTimes(200);

  // The loop itself: a timestamp at the start of every frame.
  std::vector<double> periods;
  auto last = Clock::now();
  for (int i = 0; i < frames + kWarmUp; ++i) {
    app::RunFrame();
    const auto now = Clock::now();
    if (i >= kWarmUp) periods.push_back(Ms(now - last));
    last = now;
  }

  const double floor = Mean(sleeps);
  std::printf("frames                        %zu\n", periods.size());
  std::printf("10 ms sleep mean (reference)  %.3f ms (p99 %.3f)\n", Mean(sleeps), P99(sleeps));
  std::printf("arithmetic mean               %.3f ms (min %.3f)\n", Mean(arithmetic),
              *std::min_element(arithmetic.begin(), arithmetic.end()));
  std::printf("program thread's work mean    %.3f ms (p99 %.3f)\n", Mean(renders), P99(renders));
#if defined(__EMSCRIPTEN_PTHREADS__)
  std::printf("hand-over to the page's thread %.3f ms a call\n", HandOverMean(200));
#endif
  std::printf("frame period mean             %.3f ms (p99 %.3f)\n", Mean(periods), P99(periods));
  std::printf("period mean / 10 ms sleep     %.3f\n", Mean(periods) / floor);
  std::fflush(stdout);

  graph::CloseGraph();
  runtime::Halt(0);
}
