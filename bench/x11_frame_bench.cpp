// One frame of the turning cloud on the X11 window system (needs DISPLAY;
// run it under Xvfb -screen 0 1024x768x24). Measured per frame:
//   - the program thread's time for the frame (erase, rotate and redraw
//     every point through PutPixel, which also asks for the flush), and
//   - "visible_ms": from the end of the frame until the window shows it,
//     seen through a second connection as a marker pixel drawn last.
// Between frames the program pauses as the real one does (Delay(10)).
// BM_FrameWithoutDrawing is the same frame with a PutPixel that does nothing.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/display.hpp"
#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"
#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"
#include "window_thread.hpp"

namespace {

using Clock = std::chrono::steady_clock;

long PixelWrites = 0;
void (*RealPutPixel)(std::int16_t, std::int16_t, std::uint16_t) = nullptr;
void CountingPutPixel(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  ++PixelWrites;
  RealPutPixel(x, y, colour);
}

void Frame() {
  DRAW_AND_CALC(graph::GetMaxX() / 2, graph::GetMaxY() / 2, app::points, app::scale,
                app::pointcount, 0.02f, 0.01f, 0.01f);
}

unsigned long WindowPixel(Display* display, int x, int y) {
  XImage* image = XGetImage(display, graph::GraphWindow.load(), x, y, 1, 1, AllPlanes, ZPixmap);
  const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}

// Pixels where the window differs from the memory image, the whole surface.
long Mismatches(Display* display) {
  XImage* image = XGetImage(display, graph::GraphWindow.load(), 0, 0, 800, 600, AllPlanes, ZPixmap);
  long wrong = 0;
  std::lock_guard lock(graph::GraphDrawing);
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      const std::uint32_t want = graph::GraphImage.bits[y * graph::GraphImage.stride + x];
      if ((XGetPixel(image, x, y) & 0xFFFFFF) != want) ++wrong;
    }
  }
  XDestroyImage(image);
  return wrong;
}

void BM_X11Frame(benchmark::State& state) {
  Display* observer = XOpenDisplay(nullptr);
  if (observer == nullptr) {
    state.SkipWithError("no X display");
    return;
  }
  PixelWrites = 0;
  RealPutPixel = graph::PutPixel;
  graph::PutPixel = CountingPutPixel;
  Frame();
  graph::PutPixel = RealPutPixel;
  const long writesPerFrame = PixelWrites;

  // The marker's colours as the window shows them.
  const unsigned long markerPixel[2] = {graph::PixelValue(graph::Pal[113]),
                                        graph::PixelValue(graph::Pal[128])};
  std::vector<double> visible;
  visible.reserve(state.max_iterations);
  long frames = 0;
  for (auto _ : state) {
    const int marker = static_cast<int>(frames & 1);
    Frame();
    graph::PutPixel(799, 599, static_cast<std::uint16_t>(marker == 0 ? 113 : 128));
    state.PauseTiming();
    const Clock::time_point drawn = Clock::now();
    // The pause Delay begins with: the frame goes to the window thread.
    graph::PauseDrawing();
    while (WindowPixel(observer, 799, 599) != markerPixel[marker]) {
    }
    visible.push_back(std::chrono::duration<double, std::milli>(Clock::now() - drawn).count());
    ++frames;
    std::this_thread::sleep_until(drawn + std::chrono::milliseconds(10));
    state.ResumeTiming();
  }
  state.counters["pixel_writes"] = static_cast<double>(writesPerFrame);
  std::sort(visible.begin(), visible.end());
  const auto percentile = [&](double p) {
    return visible.empty() ? 0.0 : visible[static_cast<std::size_t>(p * (visible.size() - 1))];
  };
  state.counters["visible_p50_ms"] = percentile(0.5);
  state.counters["visible_p95_ms"] = percentile(0.95);
  state.counters["visible_max_ms"] = percentile(1.0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  state.counters["mismatched_pixels"] = static_cast<double>(Mismatches(observer));
  XCloseDisplay(observer);
}
BENCHMARK(BM_X11Frame)->Unit(benchmark::kMillisecond)->Iterations(300);

void DropPixel(std::int16_t, std::int16_t, std::uint16_t) {}

// The same frame with PutPixel doing nothing: the share of the rotation and
// projection, to set the drawing's own cost apart.
void BM_FrameWithoutDrawing(benchmark::State& state) {
  RealPutPixel = graph::PutPixel;
  graph::PutPixel = DropPixel;
  for (auto _ : state) Frame();
  graph::PutPixel = RealPutPixel;
}
BENCHMARK(BM_FrameWithoutDrawing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  app::StartModules();
  app::SetUpScene();
  app::BeginDisplay();
  if (!graph::IsGraphMode) {
    std::fprintf(stderr, "no graphics window (is DISPLAY set?)\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  graph::CloseGraph();
  runtime::Halt(0);
}
