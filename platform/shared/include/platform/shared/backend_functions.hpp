// The window system's functions that a backend of a program with several
// window systems defines in its own namespace, for its table: included
// inside that namespace,
//   namespace platform::x11 {
//   #include "platform/shared/backend_functions.hpp"
//   }
// after platform/shared/window_system_table.hpp; platform/window_system.hpp
// says what each does.
// Deliberately without an include guard: each namespace gets its own.

int DisplayScale(Window window);
Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height);
Rect AdjustWindowRect(Rect client, std::uint32_t style);
void SetWindowSize(Window window, int width, int height);
Rect WorkArea(Window window);
Rect WindowManagerFrame(Window window);
void SetWindowRect(Window window, Rect outer);
void ShowWindow(Window window, int command);
Image AllocateImage(int width, int height);
void FreeImage(Image& image);
bool CreateSurfaces(Window window, const Image& image, int scale);
void DestroySurfaces(Window window);
void ShowImage(Window window, Rect rect);
void GreyCloseCommand(Window window);
void MessageBox(const char* text, const char* caption, void (*shown)());
bool ErrorOutputIsCharacterDevice();
void SetFatalErrorHandler(FatalErrorHandler handler);

// What the model needs of the backend, under the same names in each.
void TranslatePendingEvents();
bool WaitForEvents();
void Wake(ThreadId thread);
void ReleaseWindow(Window window);
void SetCaption(Window window, const char* text);
void EndWindowThread();
// The size of the screen the backend measured, width and height in pixels.
struct ScreenSize {
  int width = 0;
  int height = 0;
};
ScreenSize ScreenSizeNow();

// The backend's entry of the program's table of window systems, from the
// functions above.
constexpr shared::WindowSystemTable MakeWindowSystemTable(const char* name,
                                                          const char* displayVariable) {
  shared::WindowSystemTable table;
  table.name = name;
  table.displayVariable = displayVariable;
  table.hooks = {
      .translateEvents = TranslatePendingEvents,
      .waitForEvents = WaitForEvents,
      .wake = Wake,
      .destroyWindow = ReleaseWindow,
      .setCaption = SetCaption,
      .threadEnded = EndWindowThread,
  };
  // A frame drawn outside the client area counts as nothing in the metrics.
  table.GetSystemMetrics = [](int index) {
    const ScreenSize screen = ScreenSizeNow();
    return shared::ScreenMetric(index, screen.width, screen.height);
  };
  table.DisplayScale = DisplayScale;
  table.RegisterWindowClass = shared::RegisterWindowClass;
  table.CreateGraphWindow = CreateGraphWindow;
  table.AdjustWindowRect = AdjustWindowRect;
  table.SetWindowSize = SetWindowSize;
  table.WorkArea = WorkArea;
  table.WindowManagerFrame = WindowManagerFrame;
  table.SetWindowRect = SetWindowRect;
  table.ShowWindow = ShowWindow;
  table.AllocateImage = AllocateImage;
  table.FreeImage = FreeImage;
  table.CreateSurfaces = CreateSurfaces;
  table.DestroySurfaces = DestroySurfaces;
  table.ShowImage = ShowImage;
  table.GreyCloseCommand = GreyCloseCommand;
  table.MessageBox = MessageBox;
  table.ErrorOutputIsCharacterDevice = ErrorOutputIsCharacterDevice;
  table.SetFatalErrorHandler = SetFatalErrorHandler;
  return table;
}
