// The X11 window system as one entry of the program's table of window
// systems.
#include "x11_backend.hpp"

namespace platform::x11 {

const shared::WindowSystemTable Table = {
    .name = "x11",
    .displayVariable = "DISPLAY",
    .hooks =
        {
            .translateEvents = TranslatePendingEvents,
            .waitForEvents = WaitForEvents,
            .wake = Wake,
            .destroyWindow = ReleaseWindow,
            .setCaption = SetCaption,
            .threadEnded = EndWindowThread,
        },
    .GetSystemMetrics = GetSystemMetrics,
    .DisplayScale = DisplayScale,
    .RegisterWindowClass = RegisterWindowClass,
    .CreateGraphWindow = CreateGraphWindow,
    .AdjustWindowRect = AdjustWindowRect,
    .SetWindowSize = SetWindowSize,
    .WorkArea = WorkArea,
    .WindowManagerFrame = WindowManagerFrame,
    .SetWindowRect = SetWindowRect,
    .ShowWindow = ShowWindow,
    .AllocateImage = AllocateImage,
    .FreeImage = FreeImage,
    .CreateSurfaces = CreateSurfaces,
    .DestroySurfaces = DestroySurfaces,
    .ShowImage = ShowImage,
    .GreyCloseCommand = GreyCloseCommand,
    .MessageBox = MessageBox,
    .ErrorOutputIsCharacterDevice = ErrorOutputIsCharacterDevice,
    .SetFatalErrorHandler = SetFatalErrorHandler,
};

}  // namespace platform::x11
