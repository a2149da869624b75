// One frame of the program's drawing, made visible, on the real window
// system: 22,600 PutPixel calls, erase and draw interleaved over the cloud's
// part of the window, then the frame loop's 10 ms pause. Reports the program
// thread's time per frame and how long after the last pixel the window thread
// had shown the frame.
//
// The second figure uses the window's message order: a marker message posted
// after the frame's last pixel reaches the window procedure only after every
// flush posted before it has been copied and shown.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "graph/graph.hpp"
#include "runtime/runtime.hpp"
#include "window_thread.hpp"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrames = 300;
constexpr int kPairs = 11300;  // 22,600 pixel writes
constexpr platform::UINT kMarker = platform::WM_LBUTTONDOWN;

std::atomic<std::int64_t> markerSeen{0};  // steady_clock ticks, set by the window thread

platform::LRESULT NoteMarker(platform::Window, platform::UINT, platform::WPARAM, platform::LPARAM) {
  markerSeen = Clock::now().time_since_epoch().count();
  return 0;
}

struct Point {
  std::int16_t x;
  std::int16_t y;
};

// Positions spread like the cloud's: about 430 x 270 pixels around the centre.
std::vector<Point> CloudPositions(std::uint32_t seed) {
  std::vector<Point> points(kPairs);
  for (Point& point : points) {
    seed = seed * 1664525u + 1013904223u;
    point.x = static_cast<std::int16_t>(184 + (seed >> 8) % 430);
    seed = seed * 1664525u + 1013904223u;
    point.y = static_cast<std::int16_t>(164 + (seed >> 8) % 270);
  }
  return points;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(p * (values.size() - 1))];
}

}  // namespace

int main() {
  runtime::InitModule();
  graph::InitModule();
  graph::MouseMessageHandler = &NoteMarker;
  std::int16_t driver = 15;
  std::int16_t mode = 30010;
  graph::InitGraph(driver, mode, "");
  if (graph::GraphResult != graph::grOk) {
    std::printf("InitGraph failed: %d\n", graph::GraphResult);
    return 1;
  }

  const std::vector<Point> before = CloudPositions(1);
  const std::vector<Point> after = CloudPositions(2);
  std::vector<double> drawMs;
  std::vector<double> shownMs;
  for (int frame = 0; frame < kFrames; ++frame) {
    const std::vector<Point>& from = frame % 2 == 0 ? before : after;
    const std::vector<Point>& to = frame % 2 == 0 ? after : before;
    const std::uint16_t colour = static_cast<std::uint16_t>(113 + frame % 16);
    markerSeen = 0;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kPairs; ++i) {
      graph::PutPixel(from[i].x, from[i].y, 0);
      graph::PutPixel(to[i].x, to[i].y, colour);
    }
    const Clock::time_point drawn = Clock::now();
    // The pause Delay begins with: the frame goes to the window thread.
    graph::PauseDrawing();
    platform::PostMessage(graph::GraphWindow, kMarker, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    drawMs.push_back(std::chrono::duration<double, std::milli>(drawn - start).count());
    const std::int64_t seen = markerSeen;
    if (seen != 0) {
      shownMs.push_back(std::chrono::duration<double, std::milli>(Clock::duration(seen) -
                                                                  drawn.time_since_epoch())
                            .count());
    }
  }
  graph::CloseGraph();

  std::printf("frames: %d, pixel writes per frame: %d\n", kFrames, 2 * kPairs);
  std::printf("program thread per frame: median %.3f ms, p90 %.3f ms, max %.3f ms\n",
              Percentile(drawMs, 0.5), Percentile(drawMs, 0.9), Percentile(drawMs, 1.0));
  if (shownMs.empty()) {
    std::printf("shown after last pixel: no frame was shown within the 10 ms pause\n");
  } else {
    std::printf("shown after last pixel: median %.3f ms, p90 %.3f ms, max %.3f ms (%zu of %d)\n",
                Percentile(shownMs, 0.5), Percentile(shownMs, 0.9), Percentile(shownMs, 1.0),
                shownMs.size(), kFrames);
  }
  return 0;
}
