// How large the window's buffers are and how the compositor is told to lay
// them out, from the image, the factor the picture is shown at and the
// scale of the output; and an output's scale from its sizes. Pure
// arithmetic, so it needs no compositor.
#pragma once

namespace platform::wayland {

struct BufferGeometry {
  int width = 0;  // the buffer, in the output's pixels
  int height = 0;
  int bufferScale = 1;    // wl_surface.set_buffer_scale
  int viewportWidth = 0;  // the viewport's destination; 0: no viewport
  int viewportHeight = 0;
  int logicalWidth = 0;  // the window as the compositor lays it out
  int logicalHeight = 0;
};

// image: the memory image's size; factor: each image pixel a factor x factor
// block (the graphics module's choice, at most the output's whole scale);
// outputScale: the integer scale of the output; fractional120: the
// fractional scale, in 120ths, the compositor prefers or the output's sizes
// give, 0 where neither says one;
// viewporter: whether the compositor has wp_viewporter.
constexpr BufferGeometry GeometryFor(int imageWidth, int imageHeight, int factor, int outputScale,
                                     int fractional120, bool viewporter) {
  BufferGeometry g;
  const int scale120 = fractional120 > 0 && viewporter ? fractional120 : 120 * outputScale;
  const int whole = scale120 / 120 > 1 ? scale120 / 120 : 1;
  // The picture at factor on an output of scale whole takes factor / whole
  // of the logical size: the image's own size where the two agree.
  g.logicalWidth = imageWidth * factor / whole;
  g.logicalHeight = imageHeight * factor / whole;
  if (scale120 % 120 == 0 && factor == whole) {
    // Each image pixel a block of whole x whole output pixels.
    g.width = imageWidth * factor;
    g.height = imageHeight * factor;
    g.bufferScale = whole;
  } else if (viewporter) {
    // A buffer of the output's own pixels over the logical size; the image
    // is put into it pixel by pixel, nearest first, so it stays sharp.
    g.width = (g.logicalWidth * scale120 + 60) / 120;
    g.height = (g.logicalHeight * scale120 + 60) / 120;
    g.viewportWidth = g.logicalWidth;
    g.viewportHeight = g.logicalHeight;
  } else {
    // Nothing to say the size with but the buffer's scale: the picture at
    // the image's size, which the compositor enlarges itself.
    g.width = imageWidth * factor;
    g.height = imageHeight * factor;
    g.bufferScale = factor;
    g.logicalWidth = imageWidth;
    g.logicalHeight = imageHeight;
  }
  return g;
}

// The largest scale an output is taken at, in 120ths.
constexpr int kMostScale120 = 120 * 16;

// An output's scale in 120ths: its own pixels (the current mode) over the
// logical size the compositor lays it out at; 0 where either is not known.
// The longer sides are compared: a rotated output's logical size is turned,
// its mode is not.
constexpr int OutputScale120(int modeWidth, int modeHeight, int logicalWidth, int logicalHeight) {
  const long long mode = modeWidth > modeHeight ? modeWidth : modeHeight;
  const long long logical = logicalWidth > logicalHeight ? logicalWidth : logicalHeight;
  if (mode <= 0 || logical <= 0) return 0;
  const long long scale = (120 * mode + logical / 2) / logical;
  return scale < 1 ? 1 : scale > kMostScale120 ? kMostScale120 : static_cast<int>(scale);
}

}  // namespace platform::wayland
