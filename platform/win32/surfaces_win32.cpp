// The memory image, its staging copy and the window's device context, over
// gdi32. Both bitmaps are 32-bit top-down DIB sections, whose pixel layout is
// exactly platform::Image's, so the program thread writes pixels straight into
// memory and the window thread hands whole rectangles to BitBlt.
#include <algorithm>
#include <cstring>

#include "win32_api.hpp"

namespace platform {

namespace {

struct DibSurface {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ oldBitmap = nullptr;
  std::uint32_t* bits = nullptr;
};

// One graphics window per process; all of this belongs to the window thread.
HWND surfaceWindow = nullptr;
int surfaceWidth = 0;
int surfaceHeight = 0;
DibSurface bitmapSurface;   // the memory image (BitmapDC)
DibSurface stagingSurface;  // what the window is repainted from
HDC winDC = nullptr;
PAINTSTRUCT paint{};

bool CreateDibSurface(HDC compatible, int width, int height, DibSurface& surface) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  surface.bitmap = ::CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (surface.bitmap == nullptr) {
    return false;
  }
  surface.dc = ::CreateCompatibleDC(compatible);
  if (surface.dc == nullptr) {
    ::DeleteObject(surface.bitmap);
    surface.bitmap = nullptr;
    return false;
  }
  surface.oldBitmap = ::SelectObject(surface.dc, surface.bitmap);
  surface.bits = static_cast<std::uint32_t*>(bits);
  std::memset(surface.bits, 0, sizeof(std::uint32_t) * width * height);
  return true;
}

void DestroyDibSurface(DibSurface& surface) {
  if (surface.dc != nullptr) {
    ::SelectObject(surface.dc, surface.oldBitmap);
    ::DeleteDC(surface.dc);
  }
  if (surface.bitmap != nullptr) {
    ::DeleteObject(surface.bitmap);
  }
  surface = DibSurface{};
}

// rect limited to the image; empty when nothing of it lies inside.
Rect ClipToImage(Rect rect) {
  rect.left = std::max(rect.left, 0);
  rect.top = std::max(rect.top, 0);
  rect.right = std::min(rect.right, surfaceWidth);
  rect.bottom = std::min(rect.bottom, surfaceHeight);
  return rect;
}

}  // namespace

Image CreateSurfaces(Window window, int width, int height) {
  DestroySurfaces(window);
  HWND handle = win32::ToHandle(window);
  HDC screen = ::GetDC(handle);
  const bool made = screen != nullptr && CreateDibSurface(screen, width, height, bitmapSurface) &&
                    CreateDibSurface(screen, width, height, stagingSurface);
  if (screen != nullptr) {
    ::ReleaseDC(handle, screen);
  }
  if (made) {
    winDC = ::GetDC(handle);
  }
  if (!made || winDC == nullptr) {
    DestroySurfaces(window);
    return Image{};
  }
  surfaceWindow = handle;
  surfaceWidth = width;
  surfaceHeight = height;
  RECT client{};
  ::GetClientRect(handle, &client);
  ::FillRect(winDC, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  ::GdiFlush();
  return Image{bitmapSurface.bits, width, height, width};
}

void DestroySurfaces(Window) {
  if (winDC != nullptr) {
    ::ReleaseDC(surfaceWindow, winDC);
    winDC = nullptr;
  }
  DestroyDibSurface(stagingSurface);
  DestroyDibSurface(bitmapSurface);
  surfaceWindow = nullptr;
  surfaceWidth = 0;
  surfaceHeight = 0;
}

void CopyToStaging(Window, Rect rect) {
  rect = ClipToImage(rect);
  if (rect.empty() || bitmapSurface.bits == nullptr) {
    return;
  }
  const std::size_t rowBytes = sizeof(std::uint32_t) * (rect.right - rect.left);
  for (int y = rect.top; y < rect.bottom; ++y) {
    const std::size_t offset = static_cast<std::size_t>(y) * surfaceWidth + rect.left;
    std::memcpy(stagingSurface.bits + offset, bitmapSurface.bits + offset, rowBytes);
  }
}

void PresentStaging(Window, Rect rect) {
  rect = ClipToImage(rect);
  if (rect.empty() || winDC == nullptr) {
    return;
  }
  ::BitBlt(winDC, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
           stagingSurface.dc, rect.left, rect.top, SRCCOPY);
  // The blit leaves the batch now, and the staging bits are free to be
  // overwritten by the next copy.
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
