// golden_frame: the picture the program shows after frame N, for end-to-end
// tests that compare screenshots with it.
//
//   golden_frame image N FILE
//       writes the picture after N frames (0: before the first) to FILE, an
//       800 x 600 binary PPM in the window's screen colours.
//   golden_frame match FILE [--at X,Y] [--max N] [--zoom Z] [--all]
//       compares the 800 x 600 region at X,Y (0,0 unless given) of the binary
//       PPM FILE, a screenshot, with the picture after 0, 1, ... N frames (N
//       is 2000 unless given) and prints "frame F differs in D pixels" for
//       the frame that differs least (the first of equals); --all prints
//       "F D" for every frame instead. Exit code 0 when that frame differs in
//       no pixel, 1 when it does. --zoom draws the frames as after Z presses
//       of '=' (of '-' when negative): a picture some frames after a zoom
//       key shows the same frames, since each frame erases the last one's
//       points and the key cleared the rest. 2 for bad arguments, a file that cannot be
//       read or written, or one that is no binary PPM.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "golden_frame/golden_frames.hpp"
#include "runtime/runtime.hpp"

namespace {

constexpr int kUsage = 2;
constexpr int kMaxFrames = 1000000;  // about 20 minutes; more is a typing error

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, row by row
};

int Fail(const std::string& text) {
  std::cerr << "golden_frame: " << text << "\n";
  return kUsage;
}

std::optional<int> Number(const char* text, int low, int high) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high) return std::nullopt;
  return static_cast<int>(v);
}

// A header token of a PPM, skipping white space and # comments.
std::optional<int> HeaderNumber(const std::string& data, std::size_t& at) {
  while (at < data.size()) {
    if (data[at] == '#') {
      while (at < data.size() && data[at] != '\n') ++at;
    } else if (std::isspace(static_cast<unsigned char>(data[at]))) {
      ++at;
    } else {
      break;
    }
  }
  const std::size_t start = at;
  long v = 0;
  while (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at])) && v < 1000000)
    v = v * 10 + (data[at++] - '0');
  if (at == start || v >= 1000000) return std::nullopt;
  return static_cast<int>(v);
}

// A binary PPM (P6) with 8 bits per component.
std::optional<Image> ReadPpm(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t at = 2;
  std::optional<int> w, h, maxval;
  if (data.compare(0, 2, "P6") != 0 || !(w = HeaderNumber(data, at)) ||
      !(h = HeaderNumber(data, at)) || !(maxval = HeaderNumber(data, at)) || at >= data.size() ||
      !std::isspace(static_cast<unsigned char>(data[at]))) {
    error = path + " is not a binary PPM";
    return std::nullopt;
  }
  if (*maxval != 255) {
    error = path + ": only 8 bits per component are read";
    return std::nullopt;
  }
  ++at;
  Image image{*w, *h, std::vector<std::uint32_t>(static_cast<std::size_t>(*w) * *h)};
  if (data.size() - at < 3 * image.pixels.size()) {
    error = path + " is shorter than its header says";
    return std::nullopt;
  }
  const auto byte = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[i]));
  };
  for (std::uint32_t& p : image.pixels) {
    p = byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2);
    at += 3;
  }
  return image;
}

int WritePicture(int frames, const std::string& path) {
  golden::Start();
  golden::RunUntilFrame(frames);
  golden::Stop();
  std::string out =
      "P6\n" + std::to_string(golden::kWidth) + " " + std::to_string(golden::kHeight) + "\n255\n";
  for (std::uint16_t index : golden::picture) {
    const std::uint32_t rgb = golden::ScreenColour(index);
    out += static_cast<char>(rgb >> 16);
    out += static_cast<char>(rgb >> 8);
    out += static_cast<char>(rgb);
  }
  std::ofstream file(path, std::ios::binary);
  if (!file.write(out.data(), static_cast<std::streamsize>(out.size())) || !file.flush())
    return Fail("cannot write " + path);
  return 0;
}

// While matching, the count of pixels in which the picture differs from the
// screenshot is kept up to date as each pixel is painted.
std::vector<std::uint32_t> target;
std::uint32_t screenColours[golden::kPaletteSize];
long differing = 0;

void PaintCounting(std::int16_t x, std::int16_t y, std::uint16_t colour) {
  if (x < 0 || x >= golden::kWidth || y < 0 || y >= golden::kHeight ||
      colour >= golden::kPaletteSize)
    return;
  const std::size_t i = static_cast<std::size_t>(y) * golden::kWidth + x;
  differing -= screenColours[golden::picture[i]] != target[i];
  golden::picture[i] = colour;
  differing += screenColours[colour] != target[i];
}

int Match(const Image& shot, int left, int top, int maxFrames, int zoom, bool all) {
  if (left + golden::kWidth > shot.width || top + golden::kHeight > shot.height)
    return Fail("the screenshot (" + std::to_string(shot.width) + " x " +
                std::to_string(shot.height) + ") holds no 800 x 600 region at " +
                std::to_string(left) + "," + std::to_string(top));
  target.resize(static_cast<std::size_t>(golden::kWidth) * golden::kHeight);
  for (int y = 0; y < golden::kHeight; ++y)
    for (int x = 0; x < golden::kWidth; ++x)
      target[static_cast<std::size_t>(y) * golden::kWidth + x] =
          shot.pixels[static_cast<std::size_t>(top + y) * shot.width + left + x];
  for (int i = 0; i < golden::kPaletteSize; ++i)
    screenColours[i] = golden::ScreenColour(static_cast<std::uint16_t>(i));

  golden::Start(&PaintCounting);
  golden::Zoom(zoom);
  differing = 0;
  for (std::uint32_t p : target) differing += p != screenColours[0];
  int best = 0;
  long bestDiffering = differing;
  for (int frame = 0;; ++frame) {
    if (all) std::cout << frame << " " << differing << "\n";
    if (differing < bestDiffering) {
      best = frame;
      bestDiffering = differing;
    }
    if (frame == maxFrames) break;
    golden::Frame();
  }
  golden::Stop();
  if (!all) std::cout << "frame " << best << " differs in " << bestDiffering << " pixels\n";
  return bestDiffering == 0 ? 0 : 1;
}

int Usage() {
  return Fail(
      "usage: golden_frame image N FILE\n"
      "       golden_frame match FILE [--at X,Y] [--max N] [--zoom Z] [--all]");
}

}  // namespace

int main(int argc, char** argv) {
  runtime::SetFloatingPointEnvironment();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "image") {
    const auto frames = Number(args[1].c_str(), 0, kMaxFrames);
    if (!frames) return Fail("N must be a frame number from 0 to " + std::to_string(kMaxFrames));
    return WritePicture(*frames, args[2]);
  }
  if (args.size() < 2 || args[0] != "match") return Usage();
  int left = 0, top = 0, maxFrames = 2000, zoom = 0;
  bool all = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--all") {
      all = true;
    } else if (args[i] == "--max" && i + 1 < args.size()) {
      const auto n = Number(args[++i].c_str(), 0, kMaxFrames);
      if (!n) return Fail("--max wants a frame number from 0 to " + std::to_string(kMaxFrames));
      maxFrames = *n;
    } else if (args[i] == "--zoom" && i + 1 < args.size()) {
      const auto z = Number(args[++i].c_str(), -1000, 1000);
      if (!z) return Fail("--zoom wants a number of key presses from -1000 to 1000");
      zoom = *z;
    } else if (args[i] == "--at" && i + 1 < args.size()) {
      const std::string& at = args[++i];
      const std::size_t comma = at.find(',');
      const auto x = Number(at.substr(0, comma).c_str(), 0, 100000);
      const auto y = comma == std::string::npos ? std::nullopt
                                                : Number(at.substr(comma + 1).c_str(), 0, 100000);
      if (!x || !y) return Fail("--at wants X,Y");
      left = *x;
      top = *y;
    } else {
      return Usage();
    }
  }
  std::string error;
  const auto shot = ReadPpm(args[1], error);
  if (!shot) return Fail(error);
  return Match(*shot, left, top, maxFrames, zoom, all);
}
