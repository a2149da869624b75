// Showing the memory image. Where the server is local and its pixels are
// 0x00RRGGBB words, the image itself lives in a shared-memory segment
// (MIT-SHM) and the server reads each frame straight out of it; the put's
// completion event says when it has, and only then may drawing go on. Other
// servers take a plain XImage over the image's memory. An enlarged picture
// (a display of high resolution), or a visual of another pixel layout, is
// put from a copy that each put fills first, shared where it can be.
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "x11_backend.hpp"

namespace platform::x11 {

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

// Lets the server read xImage's pixels out of the segment id at address.
// A remote server refuses the segment; that only means a slower path.
bool AttachSegment(XImage* xImage, int id, void* address) {
  Staging& staging = TheWindow.staging;
  staging.shm.shmid = id;
  staging.shm.shmaddr = xImage->data = static_cast<char*>(address);
  staging.shm.readOnly = True;
  SharedAttach attach{&staging.shm};
  if (!WithoutProtocolErrors(Attach, &attach)) {
    xImage->data = nullptr;
    staging.shm = {};
    return false;
  }
  staging.image = xImage;
  staging.shared = true;
  CompletionEvent = XShmGetEventBase(TheDisplay) + ShmCompletion;
  return true;
}

XImage* CreateSharedXImage(int width, int height) {
  if (XShmQueryExtension(TheDisplay) == False) return nullptr;
  return XShmCreateImage(TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth),
                         ZPixmap, nullptr, &TheWindow.staging.shm, static_cast<unsigned>(width),
                         static_cast<unsigned>(height));
}

// The server reads the image itself, out of its segment.
bool MakeSharedImage(const Image& image) {
  if (ImageSegment.id < 0 || ImageSegment.address != image.bits) return false;
  XImage* xImage = CreateSharedXImage(image.width, image.height);
  if (xImage == nullptr) return false;
  if (xImage->bits_per_pixel != 32 || xImage->bytes_per_line != image.stride * 4 ||
      !AttachSegment(xImage, ImageSegment.id, ImageSegment.address)) {
    XDestroyImage(xImage);
    return false;
  }
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

// A copy in a segment of its own, for a server that takes one.
bool MakeSharedCopy(int width, int height) {
  XImage* xImage = CreateSharedXImage(width, height);
  if (xImage == nullptr) return false;
  const std::size_t bytes = static_cast<std::size_t>(xImage->bytes_per_line) * height;
  const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  void* address = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
  if (id >= 0) shmctl(id, IPC_RMID, nullptr);
  if (address != reinterpret_cast<void*>(-1) && AttachSegment(xImage, id, address)) {
    TheWindow.staging.ownSegment = true;
    return true;
  }
  if (address != reinterpret_cast<void*>(-1)) shmdt(address);
  XDestroyImage(xImage);
  return false;
}

// A copy of the image, width x height pixels of the visual, that each put
// fills first: enlarged, or converted to the visual's layout, or both.
bool MakeCopy(int width, int height, bool direct) {
  Staging& staging = TheWindow.staging;
  if (!direct || !MakeSharedCopy(width, height)) {
    XImage* xImage = XCreateImage(
        TheDisplay, TheWindow.visual, static_cast<unsigned>(TheWindow.depth), ZPixmap, 0, nullptr,
        static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (xImage == nullptr) return false;
    // XDestroyImage frees the data with free().
    xImage->data = static_cast<char*>(
        std::calloc(static_cast<std::size_t>(xImage->bytes_per_line), xImage->height));
    if (xImage->data == nullptr) {
      XDestroyImage(xImage);
      return false;
    }
    staging.image = xImage;
  }
  staging.copy = true;
  staging.converted = !direct || staging.image->bits_per_pixel != 32;
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

// The copy's pixels for rect of the image, each pixel a scale x scale block.
void FillCopy(const Image& image, Rect rect) {
  const Staging& staging = TheWindow.staging;
  XImage* copy = staging.image;
  const int s = staging.scale;
  const Visual* visual = TheWindow.visual;
  const Channel red = ChannelOf(visual->red_mask);
  const Channel green = ChannelOf(visual->green_mask);
  const Channel blue = ChannelOf(visual->blue_mask);
  const int width = (rect.right - rect.left) * s;
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::uint32_t* row = image.bits + static_cast<std::ptrdiff_t>(y) * image.stride;
    if (!staging.converted) {
      // 0x00RRGGBB words: each pixel repeated across, then the row down.
      char* first = copy->data + static_cast<std::ptrdiff_t>(y) * s * copy->bytes_per_line;
      auto* out =
          reinterpret_cast<std::uint32_t*>(first) + static_cast<std::ptrdiff_t>(rect.left) * s;
      for (int x = rect.left; x < rect.right; ++x) {
        const std::uint32_t p = LoadPixel(row + x);
        for (int k = 0; k < s; ++k) *out++ = p;
      }
      for (int k = 1; k < s; ++k) {
        std::memcpy(first + static_cast<std::ptrdiff_t>(k) * copy->bytes_per_line +
                        static_cast<std::ptrdiff_t>(rect.left) * s * 4,
                    first + static_cast<std::ptrdiff_t>(rect.left) * s * 4,
                    static_cast<std::size_t>(width) * 4);
      }
      continue;
    }
    // Any other TrueColor layout, pixel by pixel.
    for (int x = rect.left; x < rect.right; ++x) {
      const std::uint32_t p = LoadPixel(row + x);
      const unsigned long pixel = staging.alpha | Place((p >> 16) & 0xFF, red) |
                                  Place((p >> 8) & 0xFF, green) | Place(p & 0xFF, blue);
      for (int dy = 0; dy < s; ++dy) {
        for (int dx = 0; dx < s; ++dx) XPutPixel(copy, x * s + dx, y * s + dy, pixel);
      }
    }
  }
}

bool HostIsLittleEndian() { return std::endian::native == std::endian::little; }

}  // namespace

void ReleaseStaging() {
  Staging& staging = TheWindow.staging;
  if (staging.image != nullptr) {
    if (staging.shared) {
      XShmDetach(TheDisplay, &staging.shm);
      // The server lets go of the segment before it may be freed.
      XSync(TheDisplay, False);
    }
    if (staging.ownSegment) shmdt(staging.shm.shmaddr);
    // Only a plain copy's pixels are the XImage's to free.
    if (!staging.copy || staging.ownSegment) staging.image->data = nullptr;
    XDestroyImage(staging.image);
  }
  staging = {};
  TheWindow.image = {};
}

bool TakeSurfaceEvent(const XEvent& event) {
  // A completion that came after its wait gave up.
  return CompletionEvent >= 0 && event.type == CompletionEvent;
}

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
  return shared::AllocateHeapImage(width, height);
}

void FreeImage(Image& image) {
  if (image.bits != nullptr) {
    if (ImageSegment.id >= 0 && ImageSegment.address == image.bits) {
      shmdt(ImageSegment.address);
      ImageSegment = {};
    } else {
      shared::FreeHeapImage(image);
    }
  }
  image = {};
}

bool CreateSurfaces(Window window, const Image& image, int scale) {
  if (window == 0 || window != TheWindow.id || image.bits == nullptr || image.width <= 0 ||
      image.height <= 0 || scale < 1) {
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
  TheWindow.staging.scale = scale;
  const bool made =
      (direct && scale == 1 && (MakeSharedImage(image) || MakeBorrowedImage(image))) ||
      MakeCopy(image.width * scale, image.height * scale, direct);
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
  rect = Intersect(rect, {0, 0, TheWindow.image.width, TheWindow.image.height});
  if (rect.empty()) return;
  if (staging.copy) FillCopy(TheWindow.image, rect);
  const int s = staging.scale;
  const int x = rect.left * s;
  const int y = rect.top * s;
  const auto width = static_cast<unsigned>((rect.right - rect.left) * s);
  const auto height = static_cast<unsigned>((rect.bottom - rect.top) * s);
  if (staging.shared) {
    XShmPutImage(TheDisplay, TheWindow.id, TheWindow.gc, staging.image, x, y, x, y, width, height,
                 True);
    AwaitCompletion();
    return;
  }
  // Xlib has sent or buffered every pixel when this returns.
  XPutImage(TheDisplay, TheWindow.id, TheWindow.gc, staging.image, x, y, x, y, width, height);
  XFlush(TheDisplay);
}

}  // namespace platform::x11
