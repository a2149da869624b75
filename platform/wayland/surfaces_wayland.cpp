// Showing the memory image: two wl_shm buffers (XRGB8888) in one shared
// file, each written only while the compositor does not hold it. A show
// fills a free buffer with what changed since that buffer was last filled,
// each image pixel as a block of the output's pixels (nearest first where
// the scale is fractional), and commits it. Where both are held a moment
// too long, what is not shown yet waits for the next show or for a buffer's
// release, so the program never stops for the compositor.
#include <sys/mman.h>
#include <unistd.h>
#include <viewporter-client.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "buffer_geometry.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

namespace {

// How long a show waits for a buffer the compositor still holds.
constexpr int kReleaseWaitMs = 100;
constexpr std::uint32_t kOpaque = 0xff000000U;

struct Pool {
  void* memory = nullptr;
  std::size_t size = 0;
};
Pool ThePool;

BufferGeometry Geometry;  // what the buffers were made for

Rect Union(Rect a, Rect b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

Rect ClipToImage(Rect rect) {
  rect.left = std::max(rect.left, 0);
  rect.top = std::max(rect.top, 0);
  rect.right = std::min(rect.right, TheWindow.image.width);
  rect.bottom = std::min(rect.bottom, TheWindow.image.height);
  return rect;
}

Rect WholeImage() { return {0, 0, TheWindow.image.width, TheWindow.image.height}; }

void OnRelease(void* data, wl_buffer*) {
  static_cast<Buffer*>(data)->busy = false;
  // A show that found no free buffer: its part is painted again.
  if (!TheWindow.unshown.empty() && TheWindow.scale > 0) {
    const Rect& r = TheWindow.unshown;
    const int s = TheWindow.scale;
    shared::Invalidate(TheWindow.id, {r.left * s, r.top * s, r.right * s, r.bottom * s});
  }
}

const wl_buffer_listener BufferListener = {OnRelease};

// The first buffer pixel that shows image pixel `from` or one after it, for
// `image` pixels shown over `buffer` ones.
int FirstShowing(int from, int image, int buffer) {
  return static_cast<int>((static_cast<std::int64_t>(from) * buffer + image - 1) / image);
}

bool MakeBuffers(const BufferGeometry& g) {
  const std::size_t bytes = static_cast<std::size_t>(g.width) * g.height * 4;
  const int fd = memfd_create("fractals-window", MFD_CLOEXEC);
  if (fd < 0) return false;
  if (ftruncate(fd, static_cast<off_t>(2 * bytes)) != 0) {
    close(fd);
    return false;
  }
  void* memory = mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return false;
  }
  wl_shm_pool* pool = wl_shm_create_pool(TheGlobals.shm, fd, static_cast<int32_t>(2 * bytes));
  close(fd);
  ThePool = {memory, 2 * bytes};
  for (int i = 0; i < 2; ++i) {
    Buffer& b = TheWindow.buffers[i];
    b.buffer = wl_shm_pool_create_buffer(pool, static_cast<int32_t>(i * bytes), g.width, g.height,
                                         g.width * 4, WL_SHM_FORMAT_XRGB8888);
    wl_buffer_add_listener(b.buffer, &BufferListener, &b);
    b.pixels = reinterpret_cast<std::uint32_t*>(static_cast<char*>(memory) + i * bytes);
    b.busy = false;
    // The file starts out zero: black, as the window starts.
    b.stale = WholeImage();
  }
  wl_shm_pool_destroy(pool);
  return true;
}

bool SameLayout(const BufferGeometry& a, const BufferGeometry& b) {
  return a.width == b.width && a.height == b.height && a.bufferScale == b.bufferScale &&
         a.viewportWidth == b.viewportWidth && a.viewportHeight == b.viewportHeight;
}

BufferGeometry GeometryNow() {
  return GeometryFor(TheWindow.image.width, TheWindow.image.height, TheWindow.scale,
                     TheWindow.outputScale, FractionalScale120(), TheGlobals.viewporter != nullptr);
}

// Buffers for the geometry the window's scale asks for now; false when
// they cannot be made.
bool FitBuffers() {
  const BufferGeometry g = GeometryNow();
  if (TheWindow.buffers[0].buffer != nullptr && SameLayout(g, Geometry)) return true;
  ReleaseBuffers();
  if (g.width <= 0 || g.height <= 0 || !MakeBuffers(g)) return false;
  Geometry = g;
  TheWindow.bufferWidth = g.width;
  TheWindow.bufferHeight = g.height;
  TheWindow.columnOf.resize(static_cast<std::size_t>(g.width));
  TheWindow.rowOf.resize(static_cast<std::size_t>(g.height));
  for (int x = 0; x < g.width; ++x) {
    TheWindow.columnOf[x] =
        static_cast<int>(static_cast<std::int64_t>(x) * TheWindow.image.width / g.width);
  }
  for (int y = 0; y < g.height; ++y) {
    TheWindow.rowOf[y] =
        static_cast<int>(static_cast<std::int64_t>(y) * TheWindow.image.height / g.height);
  }
  wl_surface_set_buffer_scale(TheWindow.surface, g.bufferScale);
  if (TheWindow.viewport != nullptr) {
    if (g.viewportWidth > 0) {
      wp_viewport_set_destination(TheWindow.viewport, g.viewportWidth, g.viewportHeight);
    } else {
      wp_viewport_set_destination(TheWindow.viewport, -1, -1);
    }
  }
  return true;
}

// The buffer pixels that show rect of the image, from the image.
Rect Fill(Buffer& buffer, Rect rect) {
  const Image& image = TheWindow.image;
  const int bw = TheWindow.bufferWidth;
  const int bh = TheWindow.bufferHeight;
  const Rect out{FirstShowing(rect.left, image.width, bw), FirstShowing(rect.top, image.height, bh),
                 FirstShowing(rect.right, image.width, bw),
                 FirstShowing(rect.bottom, image.height, bh)};
  for (int y = out.top; y < out.bottom; ++y) {
    const std::uint32_t* row =
        image.bits + static_cast<std::ptrdiff_t>(TheWindow.rowOf[y]) * image.stride;
    std::uint32_t* to = buffer.pixels + static_cast<std::ptrdiff_t>(y) * bw;
    // The unused top byte opaque: tools that read the buffer as ARGB see the
    // picture, not a transparent hole.
    for (int x = out.left; x < out.right; ++x) {
      to[x] = LoadPixel(row + TheWindow.columnOf[x]) | kOpaque;
    }
  }
  return out;
}

Buffer* FreeBuffer() {
  for (Buffer& b : TheWindow.buffers) {
    if (!b.busy) return &b;
  }
  return nullptr;
}

// A free buffer, waiting up to kReleaseWaitMs for the compositor to let go
// of one; null when it does not.
Buffer* AwaitFreeBuffer() {
  using Clock = std::chrono::steady_clock;
  const auto until = Clock::now() + std::chrono::milliseconds(kReleaseWaitMs);
  for (;;) {
    if (Buffer* b = FreeBuffer(); b != nullptr) return b;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return nullptr;
    ReadAndDispatch(static_cast<int>(left));
  }
}

}  // namespace

void ReleaseBuffers() {
  for (Buffer& b : TheWindow.buffers) {
    if (b.buffer != nullptr) wl_buffer_destroy(b.buffer);
    b = {};
  }
  if (ThePool.memory != nullptr) munmap(ThePool.memory, ThePool.size);
  ThePool = {};
  Geometry = {};
  TheWindow.bufferWidth = TheWindow.bufferHeight = 0;
}

// The compositor reads the buffers, never the image: plain memory will do.
Image AllocateImage(int width, int height) { return shared::AllocateHeapImage(width, height); }

void FreeImage(Image& image) { shared::FreeHeapImage(image); }

bool CreateSurfaces(Window window, const Image& image, int scale) {
  if (window == 0 || window != TheWindow.id || image.bits == nullptr || image.width <= 0 ||
      image.height <= 0 || scale < 1) {
    return false;
  }
  ReleaseBuffers();
  TheWindow.image = image;
  TheWindow.scale = scale;
  TheWindow.unshown = {};
  if (!FitBuffers()) {
    TheWindow.image = {};
    TheWindow.scale = 0;
    return false;
  }
  return true;
}

void DestroySurfaces(Window window) {
  if (window != TheWindow.id) return;
  ReleaseBuffers();
  TheWindow.image = {};
  TheWindow.scale = 0;
  TheWindow.unshown = {};
}

void ShowImage(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.scale == 0) return;
  rect = Union(ClipToImage(rect), TheWindow.unshown);
  TheWindow.unshown = {};
  if (rect.empty()) return;
  // A new scale since the last show: new buffers, the whole picture again.
  if (!SameLayout(Geometry, GeometryNow())) {
    if (!FitBuffers()) return;
    rect = WholeImage();
  }
  for (Buffer& b : TheWindow.buffers) b.stale = Union(b.stale, rect);
  Buffer* buffer = TheWindow.hidden || !TheWindow.configured ? nullptr : AwaitFreeBuffer();
  if (buffer == nullptr) {
    TheWindow.unshown = rect;
    return;
  }
  const Rect damage = Fill(*buffer, buffer->stale);
  buffer->stale = {};
  wl_surface_attach(TheWindow.surface, buffer->buffer, 0, 0);
  wl_surface_damage_buffer(TheWindow.surface, damage.left, damage.top, damage.right - damage.left,
                           damage.bottom - damage.top);
  wl_surface_commit(TheWindow.surface);
  buffer->busy = true;
  Flush();
}

}  // namespace platform::wayland
