// The program's picture after each of its first frames, computed on the
// in-memory window system: one line per frame with the CRC-32 (zlib's) of
// the 800 x 600 image as red, green, blue bytes, row by row, top to bottom.
// Line 0 is the black image before the first frame. End-to-end tests take
// screenshots of the real program and look their CRC up here.
//
//   frame_crcs FRAMES
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/display.hpp"
#include "app/renderer.hpp"
#include "app/scene.hpp"
#include "app/startup.hpp"
#include "graph/graph.hpp"
#include "window_thread.hpp"

namespace {

// Eight tables, eight bytes a step: the CRC of each frame's 1.4 MB image
// must not take longer than the frame.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

CrcTables MakeCrcTables() {
  CrcTables t{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (std::uint32_t n = 0; n < 256; ++n) {
    for (std::size_t k = 1; k < 8; ++k) t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
  }
  return t;
}

std::uint32_t Crc(std::uint32_t crc, const unsigned char* data, std::size_t size) {
  static const CrcTables t = MakeCrcTables();
  crc = ~crc;
  while (size >= 8) {
    const std::uint32_t a =
        crc ^ (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24);
    crc = t[7][a & 0xFF] ^ t[6][(a >> 8) & 0xFF] ^ t[5][(a >> 16) & 0xFF] ^ t[4][a >> 24] ^
          t[3][data[4]] ^ t[2][data[5]] ^ t[1][data[6]] ^ t[0][data[7]];
    data += 8;
    size -= 8;
  }
  while (size-- > 0) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t ImageCrc(std::vector<unsigned char>& row) {
  const platform::Image& image = graph::GraphImage;
  std::uint32_t crc = 0;
  for (int y = 0; y < image.height; ++y) {
    const std::uint32_t* pixels = image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
    for (int x = 0; x < image.width; ++x) {
      row[3 * x] = static_cast<unsigned char>(pixels[x] >> 16);
      row[3 * x + 1] = static_cast<unsigned char>(pixels[x] >> 8);
      row[3 * x + 2] = static_cast<unsigned char>(pixels[x]);
    }
    crc = Crc(crc, row.data(), row.size());
  }
  return crc;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 0;
  if (frames <= 0) {
    std::fprintf(stderr, "usage: frame_crcs FRAMES\n");
    return 2;
  }
  app::StartModules();
  app::SetUpScene();
  app::BeginDisplay();
  if (!graph::IsGraphMode || graph::GraphImage.bits == nullptr) {
    std::fprintf(stderr, "no graphics mode\n");
    return 1;
  }
  std::vector<unsigned char> row(3 * static_cast<std::size_t>(graph::GraphImage.width));
  std::printf("%08x\n", ImageCrc(row));
  // The frame loop's frame without its pause: the same angles and centre.
  for (int frame = 1; frame <= frames; ++frame) {
    DRAW_AND_CALC(graph::GetMaxX() / 2, graph::GetMaxY() / 2, app::points, app::scale,
                  app::pointcount, 0.02f, 0.01f, 0.01f);
    std::printf("%08x\n", ImageCrc(row));
  }
  std::fflush(stdout);
  graph::CloseGraph();
  return 0;
}
