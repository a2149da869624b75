// The memory image and its staging copy: an XImage in a shared-memory
// segment where the server is local (MIT-SHM), a plain XImage sent through
// the connection otherwise. Drawing never touches X: the window thread copies
// the changed rectangle into the staging image and puts it on the screen.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "x11_backend.hpp"

namespace platform {

namespace x11 {

namespace {

struct SharedAttach {
  XShmSegmentInfo* segment;
};

void Attach(void* context) { XShmAttach(TheDisplay, static_cast<SharedAttach*>(context)->segment); }

bool MakeSharedStaging(int width, int height) {
  Staging& staging = TheWindow.staging;
  if (XShmQueryExtension(TheDisplay) == False) return false;
  XImage* image = XShmCreateImage(
      TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, nullptr,
      &staging.shm, static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (image == nullptr) return false;
  const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * image->height;
  staging.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (staging.shm.shmid < 0) {
    XDestroyImage(image);
    return false;
  }
  void* address = shmat(staging.shm.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(staging.shm.shmid, IPC_RMID, nullptr);
    XDestroyImage(image);
    return false;
  }
  staging.shm.shmaddr = image->data = static_cast<char*>(address);
  staging.shm.readOnly = False;
  // A remote server refuses the segment; that only means the slower path.
  SharedAttach attach{&staging.shm};
  const bool attached = WithoutProtocolErrors(Attach, &attach);
  // Marked for removal now: it goes when both sides have detached, even if
  // the process dies.
  shmctl(staging.shm.shmid, IPC_RMID, nullptr);
  if (!attached) {
    shmdt(staging.shm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    staging.shm = {};
    return false;
  }
  staging.image = image;
  staging.shared = true;
  return true;
}

bool MakePlainStaging(int width, int height) {
  XImage* image =
      XCreateImage(TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, 0,
                   nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
  if (image == nullptr) return false;
  // XDestroyImage frees the data with free().
  image->data = static_cast<char*>(
      std::malloc(static_cast<std::size_t>(image->bytes_per_line) * image->height));
  if (image->data == nullptr) {
    XDestroyImage(image);
    return false;
  }
  TheWindow.staging.image = image;
  return true;
}

// Where one 8-bit component goes in a pixel of the visual.
struct Channel {
  int shift = 0;
  int bits = 0;
};

Channel ChannelOf(unsigned long mask) {
  if (mask == 0) return {};
  return {std::countr_zero(mask), std::popcount(mask)};
}

unsigned long Place(std::uint32_t component, Channel channel) {
  const unsigned long value = channel.bits <= 8
                                  ? component >> (8 - channel.bits)
                                  : static_cast<unsigned long>(component) << (channel.bits - 8);
  return value << channel.shift;
}

// Any TrueColor layout, pixel by pixel: only for servers whose pixels are
// not 32-bit words in host order.
void CopyConverted(const Image& image, XImage* staging, Rect rect) {
  const Visual* visual = TheWindow.visual;
  const Channel red = ChannelOf(visual->red_mask);
  const Channel green = ChannelOf(visual->green_mask);
  const Channel blue = ChannelOf(visual->blue_mask);
  const unsigned long alpha = TheWindow.staging.alpha;
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::uint32_t* row = image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
    for (int x = rect.left; x < rect.right; ++x) {
      const std::uint32_t p = row[x];
      XPutPixel(staging, x, y,
                alpha | Place((p >> 16) & 0xFF, red) | Place((p >> 8) & 0xFF, green) |
                    Place(p & 0xFF, blue));
    }
  }
}

Rect ClipToImage(Rect rect) {
  rect.left = std::max(rect.left, 0);
  rect.top = std::max(rect.top, 0);
  rect.right = std::min(rect.right, TheWindow.image.width);
  rect.bottom = std::min(rect.bottom, TheWindow.image.height);
  return rect;
}

bool HostIsLittleEndian() { return std::endian::native == std::endian::little; }

}  // namespace

void ReleaseStaging() {
  Staging& staging = TheWindow.staging;
  if (staging.image != nullptr) {
    if (staging.shared) {
      XShmDetach(TheDisplay, &staging.shm);
      XSync(TheDisplay, False);
      shmdt(staging.shm.shmaddr);
      staging.image->data = nullptr;
    }
    XDestroyImage(staging.image);
  }
  staging = {};
  TheWindow.pixels.clear();
  TheWindow.pixels.shrink_to_fit();
  TheWindow.image = {};
}

}  // namespace x11

using namespace x11;

Image CreateSurfaces(Window window, int width, int height) {
  if (window == 0 || window != TheWindow.id || width <= 0 || height <= 0) return {};
  ReleaseStaging();
  if (!MakeSharedStaging(width, height) && !MakePlainStaging(width, height)) return {};
  Staging& staging = TheWindow.staging;
  const Visual* visual = TheWindow.visual;
  const XImage* xImage = staging.image;
  staging.alpha = TheWindow.depth >= 32
                      ? ~(visual->red_mask | visual->green_mask | visual->blue_mask) & 0xFFFFFFFFul
                      : 0;
  staging.direct = xImage->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                   visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                   (xImage->byte_order == LSBFirst) == HostIsLittleEndian();
  TheWindow.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  TheWindow.image = {TheWindow.pixels.data(), width, height, width};
  CopyToStaging(window, {0, 0, width, height});
  XClearWindow(TheDisplay, TheWindow.id);
  XFlush(TheDisplay);
  return TheWindow.image;
}

void DestroySurfaces(Window window) {
  if (window != TheWindow.id) return;
  ReleaseStaging();
}

void CopyToStaging(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.staging.image == nullptr) return;
  rect = ClipToImage(rect);
  if (rect.empty()) return;
  const Image& image = TheWindow.image;
  XImage* staging = TheWindow.staging.image;
  if (!TheWindow.staging.direct) {
    CopyConverted(image, staging, rect);
    return;
  }
  const std::uint32_t alpha = TheWindow.staging.alpha;
  const int width = rect.right - rect.left;
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::uint32_t* from =
        image.bits + static_cast<std::ptrdiff_t>(y) * image.stride + rect.left;
    auto* to = reinterpret_cast<std::uint32_t*>(staging->data + static_cast<std::ptrdiff_t>(y) *
                                                                    staging->bytes_per_line) +
               rect.left;
    if (alpha == 0) {
      std::memcpy(to, from, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
    } else {
      for (int x = 0; x < width; ++x) to[x] = from[x] | alpha;
    }
  }
}

void PresentStaging(Window window, Rect rect) {
  if (window == 0 || window != TheWindow.id || TheWindow.staging.image == nullptr) return;
  rect = ClipToImage(rect);
  if (rect.empty()) return;
  const auto width = static_cast<unsigned>(rect.right - rect.left);
  const auto height = static_cast<unsigned>(rect.bottom - rect.top);
  if (TheWindow.staging.shared) {
    XShmPutImage(TheDisplay, TheWindow.id, TheWindow.gc, TheWindow.staging.image, rect.left,
                 rect.top, rect.left, rect.top, width, height, False);
    // The server reads the segment after the request: wait until it has, so
    // the next copy into it cannot tear what is being shown.
    XSync(TheDisplay, False);
  } else {
    XPutImage(TheDisplay, TheWindow.id, TheWindow.gc, TheWindow.staging.image, rect.left, rect.top,
              rect.left, rect.top, width, height);
    XFlush(TheDisplay);
  }
}

bool GetUpdateRect(Window window, Rect& rect) {
  if (window == 0 || window != TheWindow.id) return false;
  rect = TheWindow.update;
  return !rect.empty();
}

Rect BeginPaint(Window window) {
  if (window == 0 || window != TheWindow.id) return {};
  const Rect rect = TheWindow.update;
  TheWindow.update = {};
  return rect;
}

void EndPaint(Window) {}

}  // namespace platform
