// A small program on the graphics module and the real window system, for the
// end-to-end tests to look at from outside. It opens the program's window
// (800 x 600, caption "Fractals", Close greyed) and draws a known pattern.
// It is driven one of two ways:
//
// graph_probe            by typed keys, on both desktops. Once the pattern is
//                        drawn the caption becomes "Probe drawn". `c` clears
//                        the window (ClearDevice), `d` draws the pattern again,
//                        `o` overflows a float while the window is open
//                        (runtime error 205), `w` writes through a bad
//                        pointer on the window thread with the drawing lock
//                        held (runtime error 216), Enter ends with exit code 0,
//                        Escape with exit code 7.
// graph_probe --stdin    by lines on standard input, so that a test can look
//                        at the window between the steps. It prints
//                        "ready <window id>", then answers each command with
//                        one line:
//   clear       ClearDevice                                  -> "cleared"
//   draw        the pattern again                            -> "drawn"
//   keys N      N characters through ReadKey                 -> their codes
//   spin        draws without end (for killing the server)   -> "spinning"
//   quit        CloseGraph and the normal end, exit code 0
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "app/startup.hpp"
#include "fract/fract.hpp"
#include "graph/graph.hpp"
#include "platform/window_system.hpp"
#include "runtime/runtime.hpp"
#include "wincrt/wincrt.hpp"
#include "window_thread.hpp"

namespace {

// Palette entries 12, 10, 9 and 113 at the corners (they tell the corners,
// and red from blue, apart), a run of every colour the program uses so that
// a screenshot can check the exact palette values, a block of 14 around the
// centre with 124 at (400, 300), and pixels outside the window that must
// leave no trace.
void DrawPattern() {
  graph::PutPixel(0, 0, 12);
  graph::PutPixel(799, 0, 10);
  graph::PutPixel(0, 599, 9);
  graph::PutPixel(799, 599, 113);
  for (std::int16_t colour = 113; colour <= 128; ++colour) {
    for (std::int16_t x = 0; x < 4; ++x) {
      graph::PutPixel(static_cast<std::int16_t>(100 + (colour - 113) * 4 + x), 200,
                      static_cast<std::uint16_t>(colour));
    }
  }
  for (std::int16_t y = 250; y < 350; ++y) {
    for (std::int16_t x = 350; x < 450; ++x) {
      graph::PutPixel(x, y, 14);
    }
  }
  graph::PutPixel(400, 300, 124);
  graph::PutPixel(-1, 10, 113);
  graph::PutPixel(800, 10, 113);
  graph::PutPixel(10, 600, 113);
}

volatile float large = 3.0e38f;
volatile float product = 0.0f;
int* volatile nowhere = reinterpret_cast<int*>(std::uintptr_t{16});

// In front of the keyboard module's hook, on the window thread.
graph::MessageHook keyboardHook = nullptr;

platform::LRESULT ProbeKeys(platform::Window window, platform::UINT message,
                            platform::WPARAM wParam, platform::LPARAM lParam) {
  if (message == platform::WM_CHAR && wParam == 'w') {
    std::lock_guard lock(graph::GraphDrawing);
    *nowhere = 1;
  }
  return keyboardHook(window, message, wParam, lParam);
}

[[noreturn]] void DrivenByKeys() {
  platform::SetWindowText(graph::GraphWindow, "Probe drawn");
  for (;;) {
    const char key = wincrt::ReadKey();
    if (key == 'c') {
      graph::ClearDevice();
    } else if (key == 'd') {
      DrawPattern();
    } else if (key == 'o') {
      product = large * 10.0f;
    } else if (key == 13 || key == 27) {
      graph::CloseGraph();
      runtime::Halt(key == 13 ? 0 : 7);
    }
  }
}

void Answer(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
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

[[noreturn]] void DrivenByLines() {
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

}  // namespace

int main(int argc, char** argv) {
  app::StartModules();
  keyboardHook = graph::CharMessageHandler.exchange(ProbeKeys);
  INITGRAPHMODE(30010);
  DrawPattern();
  if (argc > 1 && std::strcmp(argv[1], "--stdin") == 0) DrivenByLines();
  DrivenByKeys();
}
