// The graphics window's own thread: the window, its memory image, the message
// loop, the window procedure with its hooks, and the hand-shakes with
// InitGraph and CloseGraph.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "graph/window.hpp"
#include "platform/window_system.hpp"

namespace graph {

inline constexpr const char* WindowTitle = "Graph window application";

// Posted to the window when drawn pixels wait to be shown.
inline constexpr platform::UINT WM_GRAPHFLUSH = platform::WM_APP + 1;

inline constexpr std::uint32_t STILL_ACTIVE = 259;

extern std::atomic<platform::ThreadId> MessageThreadID;
// The window thread's exit code: STILL_ACTIVE while it runs, then 0, or 1
// when the window could not be registered or created.
extern std::atomic<std::uint32_t> MessageThreadExitCode;
// Guards the memory image, the pending flush and the surfaces' lifetime.
extern std::mutex GraphDrawing;
// True from the window's first repaint until its destruction. Written by the
// window thread under GraphDrawing; read anywhere.
extern std::atomic<bool> GraphRunning;
// Set when the process ends from the window thread: the window is hidden and
// its procedure only takes the default handling, touching no lock and no
// surface. Window thread.
extern std::atomic<bool> WindowLeftToTheEnd;
// WS_MAXIMIZE for the screen-filling modes 245 to 249, else 0.
extern std::uint32_t ExtraStyle;

// Body of the window thread.
std::uint32_t MessageHandleThread();
bool WinRegister();
platform::Window WinCreate();
// The window procedure. Window thread.
platform::LRESULT WindowProcGraph(platform::Window window, platform::UINT message,
                                  platform::WPARAM wParam, platform::LPARAM lParam);

// Starts the window thread for the selected mode and waits until the window
// has been painted once (true) or the thread has ended (false).
bool StartWindowThread();
// Ends the window thread and waits for it: true. Called on the window thread
// itself (an error raised there runs the exit chain), it lets the thread go
// instead: false, and the program thread may still be drawing.
bool StopWindowThread();

// The memory image, made at WM_CREATE and released at WM_DESTROY; bits null
// while there is none. Guarded by GraphDrawing.
extern platform::Image GraphImage;

// Write into the memory image and note the change for the window, with
// GraphDrawing held and (x, y) inside the image. true: the caller posts a
// flush (PostFlush) once it has released the lock.
bool DrawPixelLocked(int x, int y, std::uint32_t pixel);
bool DrawRunLocked(int x1, int x2, int y, std::uint32_t pixel);
// Asks the window thread to show what was drawn. Any thread.
void PostFlush();
// Shows the changed part of the image in the window. Window thread.
void FlushToWindow(platform::Window window);
// Forgets pending changes (the surfaces are new or gone). GraphDrawing held.
void ResetFlush();

// Sets GraphRunning and wakes the start-up wait. Window thread, GraphDrawing
// held.
void AnnounceRunning();

// The graphics module's exit step.
void GraphExitProc();

}  // namespace graph
