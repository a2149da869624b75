// Showing the memory image. Where the server is local and its pixels are
// 0x00RRGGBB words, the image itself lives in a shared-memory segment
// (MIT-SHM) and the server reads each frame straight out of it; the put's
// completion event says when it has, and only then may drawing go on. Other
// servers take a plain XImage over the image's memory; a visual of another
// pixel layout gets a converted copy.
#include <poll.h>
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

// The image's shared-memory segment; id -1 when the image is plain memory.
// Written by AllocateImage and FreeImage, outside the window's life.
struct Segment {
  int id = -1;
  void* address = nullptr;
};
Segment ImageSegment;

int CompletionEvent = -1;  // the ShmCompletion event's type, once a segment is attached

// How long a put's completion may take before a round trip settles it.
constexpr int kCompletionWaitMs = 250;

struct SharedAttach {
  XShmSegmentInfo* segment;
};

void Attach(void* context) { XShmAttach(TheDisplay, static_cast<SharedAttach*>(context)->segment); }

bool MakeSharedImage(const Image& image) {
  Staging& staging = TheWindow.staging;
  if (ImageSegment.id < 0 || ImageSegment.address != image.bits ||
      XShmQueryExtension(TheDisplay) == False) {
    return false;
  }
  XImage* xImage = XShmCreateImage(
      TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, nullptr,
      &staging.shm, static_cast<unsigned>(image.width), static_cast<unsigned>(image.height));
  if (xImage == nullptr) return false;
  if (xImage->bits_per_pixel != 32 || xImage->bytes_per_line != image.stride * 4) {
    XDestroyImage(xImage);
    return false;
  }
  staging.shm.shmid = ImageSegment.id;
  staging.shm.shmaddr = xImage->data = reinterpret_cast<char*>(image.bits);
  staging.shm.readOnly = True;
  // A remote server refuses the segment; that only means the slower path.
  SharedAttach attach{&staging.shm};
  if (!WithoutProtocolErrors(Attach, &attach)) {
    xImage->data = nullptr;
    XDestroyImage(xImage);
    staging.shm = {};
    return false;
  }
  staging.image = xImage;
  staging.shared = true;
  CompletionEvent = XShmGetEventBase(TheDisplay) + ShmCompletion;
  return true;
}

// An XImage over the image's own memory, sent through the connection.
bool MakeBorrowedImage(const Image& image) {
  XImage* xImage =
      XCreateImage(TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, 0,
                   reinterpret_cast<char*>(image.bits), static_cast<unsigned>(image.width),
                   static_cast<unsigned>(image.height), 32, image.stride * 4);
  if (xImage == nullptr) return false;
  if (xImage->bits_per_pixel != 32) {
    xImage->data = nullptr;
    XDestroyImage(xImage);
    return false;
  }
  TheWindow.staging.image = xImage;
  return true;
}

// A copy in the visual's own layout, which the image is converted into.
bool MakeConvertedImage(const Image& image) {
  XImage* xImage = XCreateImage(
      TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, 0, nullptr,
      static_cast<unsigned>(image.width), static_cast<unsigned>(image.height), 32, 0);
  if (xImage == nullptr) return false;
  // XDestroyImage frees the data with free().
  xImage->data = static_cast<char*>(
      std::calloc(static_cast<std::size_t>(xImage->bytes_per_line), xImage->height));
  if (xImage->data == nullptr) {
    XDestroyImage(xImage);
    return false;
  }
  TheWindow.staging.image = xImage;
  TheWindow.staging.converted = true;
  return true;
}

// Until the server has read the segment for the last put.
void AwaitCompletion() {
  XFlush(TheDisplay);
  XEvent event;
  for (;;) {
    if (XCheckTypedWindowEvent(TheDisplay, TheWindow.id, CompletionEvent, &event) == True) return;
    pollfd connection{ConnectionNumber(TheDisplay), POLLIN, 0};
    if (poll(&connection, 1, kCompletionWaitMs) <= 0) break;
    XEventsQueued(TheDisplay, QueuedAfterReading);
  }
  // No word in that time: once a round trip is answered, so is every put
  // before it.
  XSync(TheDisplay, False);
  XCheckTypedWindowEvent(TheDisplay, TheWindow.id, CompletionEvent, &event);
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
      std::uint32_t p = 0;
      ReadPixels(row + x, &p, 1);
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
      // The server lets go of the segment before the image may be freed.
      XSync(TheDisplay, False);
    }
    // Only a converted copy owns its pixels.
    if (!staging.converted) staging.image->data = nullptr;
    XDestroyImage(staging.image);
  }
  staging = {};
  TheWindow.image = {};
}

bool TakeSurfaceEvent(const XEvent& event) {
  // A completion that came after its wait gave up.
  return CompletionEvent >= 0 && event.type == CompletionEvent;
}

}  // namespace x11

using namespace x11;

Image AllocateImage(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  const std::size_t bytes =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(std::uint32_t);
  // A new segment is zero-filled: black.
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (id >= 0) {
    void* address = shmat(id, nullptr, 0);
    // Marked for removal at once: it goes when the last process detaches,
    // even if this one dies; the server may still attach it meanwhile.
    shmctl(id, IPC_RMID, nullptr);
    if (address != reinterpret_cast<void*>(-1)) {
      ImageSegment = {id, address};
      return {static_cast<std::uint32_t*>(address), width, height, width};
    }
  }
  auto* bits = static_cast<std::uint32_t*>(std::calloc(bytes, 1));
  if (bits == nullptr) return {};
  return {bits, width, height, width};
}

void FreeImage(Image& image) {
  if (image.bits != nullptr) {
    if (ImageSegment.id >= 0 && ImageSegment.address == image.bits) {
      shmdt(ImageSegment.address);
      ImageSegment = {};
    } else {
      std::free(image.bits);
    }
  }
  image = {};
}

bool CreateSurfaces(Window window, const Image& image) {
  if (window == 0 || window != TheWindow.id || image.bits == nullptr || image.width <= 0 ||
      image.height <= 0) {
    return false;
  }
  ReleaseStaging();
  const Visual* visual = TheWindow.visual;
  // Words 0x00RRGGBB in host order, without alpha bits: the server takes
  // the image as it is.
  const bool direct = TheWindow.depth == 24 && visual->red_mask == 0xFF0000 &&
                      visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                      (ImageByteOrder(TheDisplay) == LSBFirst) == HostIsLittleEndian();
  TheWindow.staging.alpha =
      TheWindow.depth >= 32
          ? ~(visual->red_mask | visual->green_mask | visual->blue_mask) & 0xFFFFFFFFul
          : 0;
  const bool made =
      (direct && (MakeSharedImage(image) || MakeBorrowedImage(image))) || MakeConvertedImage(image);
  if (!made) return false;
  TheWindow.image = image;
  XClearWindow(TheDisplay, TheWindow.id);
  XFlush(TheDisplay);
  return true;
}

void DestroySurfaces(Window window) {
  if (window != TheWindow.id) return;
  ReleaseStaging();
}

void ShowImage(Window window, Rect rect) {
  Staging& staging = TheWindow.staging;
  if (window == 0 || window != TheWindow.id || staging.image == nullptr) return;
  rect = ClipToImage(rect);
  if (rect.empty()) return;
  const auto width = static_cast<unsigned>(rect.right - rect.left);
  const auto height = static_cast<unsigned>(rect.bottom - rect.top);
  if (staging.shared) {
    XShmPutImage(TheDisplay, TheWindow.id, TheWindow.gc, staging.image, rect.left, rect.top,
                 rect.left, rect.top, width, height, True);
    AwaitCompletion();
    return;
  }
  if (staging.converted) CopyConverted(TheWindow.image, staging.image, rect);
  // Xlib has sent or buffered every pixel when this returns.
  XPutImage(TheDisplay, TheWindow.id, TheWindow.gc, staging.image, rect.left, rect.top, rect.left,
            rect.top, width, height);
  XFlush(TheDisplay);
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
