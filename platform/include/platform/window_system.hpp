// The window system the graphics module runs on, modelled on what its window
// thread needs. Each executable links one backend (win32/: the real Win32 +
// GDI calls, web/: a canvas in a page, memory/: in process, for tests) or,
// on Linux, every one built there (x11/), picked at start-up. All but win32/
// share one emulation of the message model (shared/).
//
// Unless a function says otherwise, it is called on the window thread: the
// thread that registered the class and created the window.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/messages.hpp"

namespace platform {

// --- Start-up ------------------------------------------------------------------

// Picks the window system the program runs on where more than one is built
// in: FRACTALS_WINDOW_SYSTEM forces one, else WAYLAND_DISPLAY, else DISPLAY
// decides. Where one is built it has nothing to pick. Returns null, or the
// one line (no line end) that says why none could be picked. Called once,
// first thing, by the start-up; every other function here picks as this
// does when it was not called.
const char* ChooseWindowSystem();

// --- Screen --------------------------------------------------------------

// SM_CXSCREEN, SM_CYSCREEN, SM_CXFRAME, SM_CYFRAME, SM_CYCAPTION,
// SM_CXFULLSCREEN, SM_CYFULLSCREEN. Any thread.
int GetSystemMetrics(int index);

// How many of the display's pixels it asks for each pixel of a picture, in
// each direction: its resolution in steps of 96 dots per inch, rounded down,
// at least 1. Of the display the window is on, or, for a window of 0, of
// the one a new window opens on. Window thread.
int DisplayScale(Window window);

// --- Window class and window ----------------------------------------------

// Registers the graphics window class: style CS_HREDRAW | CS_VREDRAW, arrow
// cursor, black background, the application icon, proc as window procedure.
bool RegisterWindowClass(WindowProc proc);

// Creates a top-level window of that class owned by the calling thread, with
// the outer size given (as CreateWindowExA takes it; a backend whose window
// manager draws the frame reports frame metrics of 0, so outer = client).
// WM_CREATE reaches the window procedure before this returns. 0 on failure.
Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height);

// The outer rectangle of a window of that style whose client area is client
// (AdjustWindowRectEx, no menu, no extended style). Any thread.
Rect AdjustWindowRect(Rect client, std::uint32_t style);
// The window's client area, from (0, 0).
Rect GetClientRect(Window window);
// Gives the window a new outer size; its position stays.
void SetWindowSize(Window window, int width, int height);

// Shows the window; UpdateWindow sends the first WM_PAINT at once when the
// window has an update region.
void ShowWindow(Window window, int command);
void UpdateWindow(Window window);

// --- Messages -----------------------------------------------------------------

// Blocks until a message for the calling thread arrives: 1 for a message,
// 0 for WM_QUIT, -1 on error (the connection to the display is gone, say).
int GetMessage(Message& message);
// Turns the key-down of a character key into a following WM_CHAR.
void TranslateMessage(const Message& message);
LRESULT DispatchMessage(const Message& message);
// Default handling: WM_CLOSE destroys the window (WM_DESTROY reaches the
// window procedure before it returns), everything else is ignored.
LRESULT DefWindowProc(Window window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Queue a message without waiting. Any thread. false when the window or the
// thread is gone.
bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam);
bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam);
ThreadId GetCurrentThreadId();

// Called by the window thread as it ends: removes every window it still
// owns, as the system does for a thread that ends.
void ReleaseThreadWindows();

// --- Drawing surfaces ---------------------------------------------------------

// The memory image: 32-bit pixels 0x00RRGGBB, rows top down, stride in pixels.
// The graphics module owns it; the drawing thread writes it while the window
// thread reads it, each pixel as one atomic word (ReadPixels).
struct Image {
  std::uint32_t* bits = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
};

// One pixel of an image that the other thread may be reading or writing,
// moved whole. Some C++20 libraries (emscripten's) have no std::atomic_ref;
// the compiler's atomic builtins do the same there.
inline std::uint32_t LoadPixel(const std::uint32_t* pixel) {
#if defined(__cpp_lib_atomic_ref)
  return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(*pixel))
      .load(std::memory_order_relaxed);
#else
  return __atomic_load_n(pixel, __ATOMIC_RELAXED);
#endif
}

inline void StorePixel(std::uint32_t* pixel, std::uint32_t value) {
#if defined(__cpp_lib_atomic_ref)
  std::atomic_ref<std::uint32_t>(*pixel).store(value, std::memory_order_relaxed);
#else
  __atomic_store_n(pixel, value, __ATOMIC_RELAXED);
#endif
}

// Copies count pixels out of an image the drawing thread may be writing,
// each pixel whole, with extra bits set in each.
inline void ReadPixels(const std::uint32_t* from, std::uint32_t* to, int count,
                       std::uint32_t extra = 0) {
  for (int i = 0; i < count; ++i) to[i] = LoadPixel(from + i) | extra;
}

// Memory for a width x height image, black; the window system may need it
// to be of a kind of its own (shared with the display server, say). bits null
// on failure. Made and freed by the drawing thread, outside any window's life,
// so drawing never writes into freed memory. Any thread.
Image AllocateImage(int width, int height);
void FreeImage(Image& image);

// Makes the window ready to show image, which stays valid until
// DestroySurfaces, each of its pixels as a scale x scale block, and blacks
// the window's client area. false on failure. Window thread, at WM_CREATE
// (or when the scale changes), with the drawing lock held.
bool CreateSurfaces(Window window, const Image& image, int scale);
// Releases what CreateSurfaces made. Window thread, drawing lock held.
void DestroySurfaces(Window window);

// Puts rect of the image (in the image's pixels) on the window, at the scale
// the surfaces were made for, and returns once the window system has read
// those pixels (the screen may show them a moment later). Window thread,
// drawing lock held, so the drawing thread is between two frames.
void ShowImage(Window window, Rect rect);

// The part of the window (in the window's pixels) that needs a repaint;
// false when there is none.
// BeginPaint takes it and validates it, EndPaint closes the repaint.
bool GetUpdateRect(Window window, Rect& rect);
Rect BeginPaint(Window window);
void EndPaint(Window window);

// --- Window start-up -------------------------------------------------------------

// Any thread. SetWindowText returns when the window thread has handled it.
// A window of 0 does nothing.
void SetWindowText(Window window, const char* text);
// Greys the Close command of the window's system menu (on X11: the window
// manager's close function is left out of the Motif hints). Any thread.
void GreyCloseCommand(Window window);

// --- Message box and error output -------------------------------------------------

// A modal message box with an OK button only and no owner window; caption may
// be null (no caption text). Any thread. Returns when it is dismissed; shown,
// when not null, is called on the same thread once the box is up and waits
// for the user.
void MessageBox(const char* text, const char* caption, void (*shown)() = nullptr);

// Whether the process's error output is a character device (a console).
bool ErrorOutputIsCharacterDevice();

// A fault of the window system the program cannot go on from (the X server
// went away, say): the backend calls the handler with a one-line description.
// The handler does not return. Any thread.
using FatalErrorHandler = void (*)(const char* text);
void SetFatalErrorHandler(FatalErrorHandler handler);

}  // namespace platform
