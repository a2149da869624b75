// Drawing on the in-memory window system: the cost of PutPixel on the
// drawing thread, and how soon the window shows what was drawn.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "graph/graph.hpp"
#include "platform/memory/memory_control.hpp"
#include "window_thread.hpp"

namespace {

void OpenWindow() {
  graph::InitModule();
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "");
}

// Positions spread over the surface like the turning cloud's.
std::int16_t X(std::uint32_t i) { return static_cast<std::int16_t>((i * 7919u) % 800u); }
std::int16_t Y(std::uint32_t i) { return static_cast<std::int16_t>((i * 104729u) % 600u); }
std::uint16_t Colour(std::uint32_t i) { return static_cast<std::uint16_t>(113 + i % 16); }

void BM_PutPixel(benchmark::State& state) {
  OpenWindow();
  std::uint32_t i = 0;
  for (auto _ : state) {
    graph::PutPixel(X(i), Y(i), Colour(i));
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  graph::CloseGraph();
}
BENCHMARK(BM_PutPixel);

void BM_PutPixelClipped(benchmark::State& state) {
  OpenWindow();
  std::uint32_t i = 0;
  for (auto _ : state) {
    graph::PutPixel(static_cast<std::int16_t>(800 + X(i)), Y(i), Colour(i));
    ++i;
  }
  graph::CloseGraph();
}
BENCHMARK(BM_PutPixelClipped);

// One frame of the program: 16,000 points erased and drawn again.
void BM_Frame32000Pixels(benchmark::State& state) {
  OpenWindow();
  std::uint32_t frame = 0;
  for (auto _ : state) {
    for (std::uint32_t i = 0; i < 16000; ++i) {
      graph::PutPixel(X(i + frame), Y(i + frame), 0);
      graph::PutPixel(X(i + frame + 1), Y(i + frame + 1), Colour(i));
    }
    ++frame;
  }
  graph::CloseGraph();
}
BENCHMARK(BM_Frame32000Pixels)->Unit(benchmark::kMicrosecond);

void BM_ClearDevice(benchmark::State& state) {
  OpenWindow();
  for (auto _ : state) graph::ClearDevice();
  graph::CloseGraph();
}
BENCHMARK(BM_ClearDevice)->Unit(benchmark::kMicrosecond);

// From the end of a frame's drawing (the pause that hands it over) until
// the window shows its last pixel.
void BM_ShownAfterDrawingPauses(benchmark::State& state) {
  OpenWindow();
  const platform::Window window = graph::GraphWindow.load();
  std::uint32_t frame = 0;
  double longest = 0;
  for (auto _ : state) {
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < 32000; ++i) {
      last = i * 31 + frame;
      graph::PutPixel(X(last), Y(last), Colour(frame));
    }
    const std::uint32_t wanted = graph::PixelValue(graph::Pal[Colour(frame)]);
    const auto paused = std::chrono::steady_clock::now();
    // As Delay and ReadKey do: the frame is handed to the window thread.
    graph::PauseDrawing();
    while (platform::memory::SurfacePixel(window, X(last), Y(last)) != wanted) {
    }
    const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - paused;
    state.SetIterationTime(waited.count());
    longest = std::max(longest, waited.count());
    ++frame;
  }
  state.counters["longest_us"] = longest * 1e6;
  graph::CloseGraph();
}
BENCHMARK(BM_ShownAfterDrawingPauses)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
