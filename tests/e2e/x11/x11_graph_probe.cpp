// The graphics module on the X11 window system, driven line by line from
// standard input so that a test can look at the window between the steps.
// It opens the program's window as the program does (800 x 600, caption
// "Fractals", Close greyed), draws a known pattern and prints
// "ready <window id>". Commands, each answered with one line:
//   clear       ClearDevice                              -> "cleared"
//   draw        the pattern again                        -> "drawn"
//   keys N      N characters through ReadKey             -> their codes
//   spin        draws without end (for killing the server)  -> "spinning"
//   quit        CloseGraph and the normal end, exit code 0
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "graph/window_thread.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"

namespace {

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// Corners, the centre, and a short run of every colour the program uses,
// so that a screenshot can check the exact palette values.
void DrawPattern() {
  graph::PutPixel(0, 0, 113);
  graph::PutPixel(799, 0, 116);
  graph::PutPixel(0, 599, 120);
  graph::PutPixel(799, 599, 128);
  graph::PutPixel(400, 300, 124);
  for (std::int16_t colour = 113; colour <= 128; ++colour) {
    for (std::int16_t x = 0; x < 4; ++x) {
      graph::PutPixel(static_cast<std::int16_t>(100 + (colour - 113) * 4 + x), 200,
                      static_cast<std::uint16_t>(colour));
    }
  }
  // Clipped: these must leave no trace.
  graph::PutPixel(-1, 10, 113);
  graph::PutPixel(800, 10, 113);
  graph::PutPixel(10, 600, 113);
}

[[noreturn]] void Spin() {
  Answer("spinning");
  std::uint32_t seed = 1;
  for (;;) {
    for (int i = 0; i < 22600; ++i) {
      seed = seed * 1664525u + 1013904223u;
      graph::PutPixel(static_cast<std::int16_t>((seed >> 8) % 800),
                      static_cast<std::int16_t>((seed >> 20) % 600),
                      static_cast<std::uint16_t>(113 + (i & 15)));
    }
    wincrt::Delay(10);
  }
}

}  // namespace

int main() {
  runtime::InitModule();
  graph::InitModule();
  wincrt::InitModule();

  INITGRAPHMODE(30010);
  DrawPattern();
  Answer("ready " + std::to_string(graph::GraphWindow.load()));

  char line[128];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    if (std::strncmp(line, "clear", 5) == 0) {
      graph::ClearDevice();
      Answer("cleared");
    } else if (std::strncmp(line, "draw", 4) == 0) {
      DrawPattern();
      Answer("drawn");
    } else if (std::strncmp(line, "keys ", 5) == 0) {
      std::string codes;
      for (int n = std::atoi(line + 5); n > 0; --n) {
        codes += std::to_string(static_cast<unsigned char>(wincrt::ReadKey()));
        if (n > 1) codes += ' ';
      }
      Answer(codes);
    } else if (std::strncmp(line, "spin", 4) == 0) {
      Spin();
    } else if (std::strncmp(line, "quit", 4) == 0) {
      break;
    }
  }
  graph::CloseGraph();
  runtime::Halt(0);
}
