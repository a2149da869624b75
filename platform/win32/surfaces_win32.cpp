// The memory image and the window's device context, over gdi32. The image is
// a 32-bit top-down DIB section, whose pixel layout is exactly
// platform::Image's: the program thread writes pixels straight into it and
// the window thread hands whole rectangles of it to BitBlt.
#include <algorithm>
#include <cstring>

#include "win32_api.hpp"

namespace platform {

namespace {

// The image's bitmap; made and freed by the drawing thread.
HBITMAP imageBitmap = nullptr;
std::uint32_t* imageBits = nullptr;

// One graphics window per process; all of this belongs to the window thread.
HWND surfaceWindow = nullptr;
int surfaceWidth = 0;
int surfaceHeight = 0;
int surfaceScale = 1;
HDC bitmapDC = nullptr;  // holds the image's bitmap
HGDIOBJ oldBitmap = nullptr;
HDC winDC = nullptr;
PAINTSTRUCT paint{};

// A palette device (8 bits a pixel, as a rule) has room for fewer of the
// picture's 256 colours than it needs beside the system's own, and shows
// the rest as the nearest it has, or (under Wine) not at all; fewer than 24
// bits a pixel round them. Either way the picture is not the program's, and
// the window counts as not made, as on the other window systems.
bool ShowsEveryColour(HDC screen) {
  const int bits = ::GetDeviceCaps(screen, BITSPIXEL) * ::GetDeviceCaps(screen, PLANES);
  return (::GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) == 0 && bits >= 24;
}

}  // namespace

Image AllocateImage(int width, int height) {
  if (width <= 0 || height <= 0 || imageBitmap != nullptr) {
    return Image{};
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  // With DIB_RGB_COLORS no device context is needed.
  imageBitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (imageBitmap == nullptr || bits == nullptr) {
    if (imageBitmap != nullptr) {
      ::DeleteObject(imageBitmap);
    }
    imageBitmap = nullptr;
    return Image{};
  }
  imageBits = static_cast<std::uint32_t*>(bits);
  std::memset(imageBits, 0, sizeof(std::uint32_t) * width * height);
  return Image{imageBits, width, height, width};
}

void FreeImage(Image& image) {
  if (image.bits != nullptr && image.bits == imageBits) {
    ::DeleteObject(imageBitmap);
    imageBitmap = nullptr;
    imageBits = nullptr;
  }
  image = Image{};
}

bool CreateSurfaces(Window window, const Image& image, int scale) {
  DestroySurfaces(window);
  if (image.bits == nullptr || image.bits != imageBits || scale < 1) {
    return false;
  }
  HWND handle = win32::ToHandle(window);
  HDC screen = ::GetDC(handle);
  if (screen != nullptr) {
    if (ShowsEveryColour(screen)) bitmapDC = ::CreateCompatibleDC(screen);
    ::ReleaseDC(handle, screen);
  }
  if (bitmapDC != nullptr) {
    oldBitmap = ::SelectObject(bitmapDC, imageBitmap);
    winDC = ::GetDC(handle);
  }
  if (bitmapDC == nullptr || winDC == nullptr) {
    DestroySurfaces(window);
    return false;
  }
  surfaceWindow = handle;
  surfaceWidth = image.width;
  surfaceHeight = image.height;
  surfaceScale = scale;
  // Enlarging repeats each pixel: no blending, no blur.
  ::SetStretchBltMode(winDC, COLORONCOLOR);
  RECT client{};
  ::GetClientRect(handle, &client);
  ::FillRect(winDC, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::GdiFlush();
  return true;
}

void DestroySurfaces(Window) {
  if (winDC != nullptr) {
    ::ReleaseDC(surfaceWindow, winDC);
    winDC = nullptr;
  }
  if (bitmapDC != nullptr) {
    // The bitmap itself is the drawing thread's, freed with the image.
    ::SelectObject(bitmapDC, oldBitmap);
    ::DeleteDC(bitmapDC);
    bitmapDC = nullptr;
  }
  surfaceWindow = nullptr;
  surfaceWidth = 0;
  surfaceHeight = 0;
  surfaceScale = 1;
}

void ShowImage(Window, Rect rect) {
  rect = Intersect(rect, {0, 0, surfaceWidth, surfaceHeight});
  if (rect.empty() || winDC == nullptr) {
    return;
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int s = surfaceScale;
  if (s == 1) {
    ::BitBlt(winDC, rect.left, rect.top, width, height, bitmapDC, rect.left, rect.top, SRCCOPY);
  } else {
    ::StretchBlt(winDC, rect.left * s, rect.top * s, width * s, height * s, bitmapDC, rect.left,
                 rect.top, width, height, SRCCOPY);
  }
  // The blit leaves the batch now: the image is free for the next frame.
  ::GdiFlush();
}

bool GetUpdateRect(Window window, Rect& rect) {
  RECT update{};
  if (::GetUpdateRect(win32::ToHandle(window), &update, FALSE) == 0) {
    return false;
  }
  rect = Rect{update.left, update.top, update.right, update.bottom};
  return true;
}

Rect BeginPaint(Window window) {
  paint = PAINTSTRUCT{};
  ::BeginPaint(win32::ToHandle(window), &paint);
  return Rect{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
}

void EndPaint(Window window) { ::EndPaint(win32::ToHandle(window), &paint); }

}  // namespace platform
