// Renders the program's own picture for its icon: the modules start as in
// the program, the scene is set up, and the display phase's frames run on
// the in-memory window system; then the square around the cloud is written
// as a binary PPM.
//
//   icon_frame FRAMES OUT.ppm
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/display.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"
#include "graph/graph.hpp"
#include "platform/memory/memory_control.hpp"

namespace {

struct Box {
  int left = 800;
  int top = 600;
  int right = -1;
  int bottom = -1;
};

// The smallest rectangle holding every lit pixel of the window's image.
Box LitBox(platform::Window window, int width, int height) {
  Box box;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (platform::memory::ImagePixel(window, x, y) == 0) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_frame FRAMES OUT.ppm\n");
    return 2;
  }
  const int frames = std::atoi(argv[1]);
  if (frames < 1) {
    std::fprintf(stderr, "icon_frame: FRAMES must be at least 1\n");
    return 2;
  }

  app::StartModules();
  app::SetUpScene();
  app::BeginDisplay();
  for (int i = 0; i < frames; ++i) app::RunFrame();
  platform::memory::WaitUntilIdle();

  const platform::Window window = platform::memory::FindWindowByCaption("Fractals");
  const int width = graph::GetMaxX() + 1;
  const int height = graph::GetMaxY() + 1;
  const Box box = LitBox(window, width, height);
  if (window == 0 || box.right < 0) {
    std::fprintf(stderr, "icon_frame: the window shows nothing\n");
    return 1;
  }

  // A square centred on the cloud, one pixel of black around it.
  const int side = std::max(box.right - box.left, box.bottom - box.top) + 3;
  const int left = (box.left + box.right) / 2 - side / 2;
  const int top = (box.top + box.bottom) / 2 - side / 2;
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  std::fprintf(out, "P6\n%d %d\n255\n", side, side);
  for (int y = top; y < top + side; ++y) {
    for (int x = left; x < left + side; ++x) {
      std::uint32_t pixel = platform::memory::ImagePixel(window, x, y);
      if (pixel == platform::memory::NoPixel) pixel = 0;
      // Components run to 252; the icon shows them as the screen does.
      const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16),
                                    static_cast<unsigned char>(pixel >> 8),
                                    static_cast<unsigned char>(pixel)};
      std::fwrite(rgb, 1, 3, out);
    }
  }
  const bool written = std::fclose(out) == 0;
  graph::CloseGraph();
  return written ? 0 : 1;
}
