// The window system's functions that are not the shared model's, through
// the table the start-up picked.
#include "window_system_registry.hpp"

namespace platform {

using chosen::Chosen;

int GetSystemMetrics(int index) { return Chosen().GetSystemMetrics(index); }
int DisplayScale(Window window) { return Chosen().DisplayScale(window); }
bool RegisterWindowClass(WindowProc proc) { return Chosen().RegisterWindowClass(proc); }

Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height) {
  return Chosen().CreateGraphWindow(caption, style, x, y, width, height);
}

Rect AdjustWindowRect(Rect client, std::uint32_t style) {
  return Chosen().AdjustWindowRect(client, style);
}

void SetWindowSize(Window window, int width, int height) {
  Chosen().SetWindowSize(window, width, height);
}

void ShowWindow(Window window, int command) { Chosen().ShowWindow(window, command); }
Image AllocateImage(int width, int height) { return Chosen().AllocateImage(width, height); }
void FreeImage(Image& image) { Chosen().FreeImage(image); }

bool CreateSurfaces(Window window, const Image& image, int scale) {
  return Chosen().CreateSurfaces(window, image, scale);
}

void DestroySurfaces(Window window) { Chosen().DestroySurfaces(window); }
void ShowImage(Window window, Rect rect) { Chosen().ShowImage(window, rect); }
void GreyCloseCommand(Window window) { Chosen().GreyCloseCommand(window); }

void MessageBox(const char* text, const char* caption, void (*shown)()) {
  Chosen().MessageBox(text, caption, shown);
}

bool ErrorOutputIsCharacterDevice() { return Chosen().ErrorOutputIsCharacterDevice(); }
void SetFatalErrorHandler(FatalErrorHandler handler) { Chosen().SetFatalErrorHandler(handler); }

}  // namespace platform
