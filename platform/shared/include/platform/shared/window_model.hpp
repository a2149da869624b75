// The window model every window system but Win32 shares: per-thread message
// queues, posting from any thread, messages sent to another thread's window,
// the quit request after the posted messages and the paint after everything
// else, the update regions, and the table of windows with their owners.
//
// A backend supplies what only it knows (BackendHooks): how its window thread
// waits for the system's events and is woken, how those events become
// messages, and what goes with its windows. The model implements the
// message functions of platform/window_system.hpp (GetMessage, PostMessage,
// DispatchMessage, DefWindowProc, BeginPaint, SetWindowText, ...) on top;
// the backend implements the rest (creation, surfaces, metrics, boxes).
#pragma once

#include "platform/window_system.hpp"

namespace platform::shared {

// --- What a backend supplies ---------------------------------------------------

struct BackendHooks {
  // Turns what the window system has delivered so far into messages
  // (PostMessage, PostKeyMessage) and repaints (Invalidate). Window thread,
  // before each look at its queue; no model lock held. Null: nothing to turn.
  void (*translateEvents)() = nullptr;
  // Blocks the window thread until the window system has events for it or
  // wake is called; false when the system is gone (GetMessage then returns
  // -1). No model lock held. Null: the model waits on its own condition
  // variable, which posting signals.
  bool (*waitForEvents)() = nullptr;
  // Ends a waitForEvents that thread is in or about to enter. Any thread,
  // with the model's lock held: it must not call into the model.
  void (*wake)(ThreadId thread) = nullptr;
  // The window's own part goes (surfaces, the system's window), after
  // WM_DESTROY reached its procedure, or without it when its thread ends.
  // Owner thread; no model lock held. Null: nothing to release.
  void (*destroyWindow)(Window window) = nullptr;
  // DefWindowProc's WM_SETTEXT, and SetWindowText on a window of no thread:
  // the caption the system shows. Null: none is shown.
  void (*setCaption)(Window window, const char* text) = nullptr;
  // The character message a key-down makes when it was posted without one
  // (PostMessage, not PostKeyMessage). false for none. Null: none ever.
  bool (*keyCharacter)(const Message& keyDown, UINT& charMessage, int& character) = nullptr;
  // BeginPaint erases rect of the window with the class's background before
  // the window procedure paints it. Window thread. Null: the system erases.
  void (*eraseBackground)(Window window, Rect rect) = nullptr;
  // The calling window thread ends, its windows gone (the connection it
  // opened closes, say). Null: nothing to do.
  void (*threadEnded)() = nullptr;
};

// The hooks of the backend the model serves. Not the model's: defined by the
// backend linked in, or where several are, by the one the start-up picked.
// Any thread.
const BackendHooks& Backend();

// --- Windows -----------------------------------------------------------------------

// The window procedure of the class, registered by the calling thread (which
// gets its queue now). Window thread.
void SetClassProc(WindowProc proc);
// The registered procedure, or null.
WindowProc ClassProc();
// A memory image of width x height pixels, zero (black), in plain memory;
// empty when there is no room. FreeHeapImage frees it and empties it.
Image AllocateHeapImage(int width, int height);
void FreeHeapImage(Image& image);

// RegisterWindowClass for a backend whose one class is the model's.
bool RegisterWindowClass(WindowProc proc);
// GetSystemMetrics for a screen of width x height pixels around which the
// window manager or compositor draws its frame outside the client area.
int ScreenMetric(int index, int width, int height);

// Takes a window the backend made into the table: owned by the calling
// thread, with the class procedure, valid and hidden, client area
// clientWidth x clientHeight. Sends it WM_CREATE; when the procedure refuses
// it (-1) the window is destroyed as DestroyWindow does, and 0 returned.
// Else returns id. Window thread.
Window AddWindow(Window id, int clientWidth, int clientHeight);
// A window of another program: in the table, so that it can be found and
// posted to (posts succeed and go nowhere), but owned by no thread.
// Any thread.
void AddForeignWindow(Window id);
// Takes a window out of the table without any message: for one of no thread
// or one the backend already released. Any thread.
void ForgetWindow(Window id);
// Destroys a window of the calling thread: its procedure hears WM_DESTROY,
// the backend releases its part, the table forgets it. Window thread.
void DestroyWindow(Window window);

// Any thread, for all of these.
bool WindowExists(Window window);
ThreadId WindowOwner(Window window);
// The client area changes size; the update region is clipped to it.
void SetClientSize(Window window, int width, int height);
// Shown or hidden. Being shown makes the whole client area invalid; only a
// shown window gets WM_PAINT from GetMessage.
void SetVisible(Window window, bool visible);
bool IsVisible(Window window);
// WM_PAINT messages the window procedure got, by GetMessage or UpdateWindow.
int PaintCount(Window window);

// --- Messages and repaints --------------------------------------------------------

// Adds rect (window pixels, clipped to the client area) to the window's
// update region and wakes its thread. Any thread.
void Invalidate(Window window, Rect rect);

// Queues a key-down or key-up together with the character message
// TranslateMessage makes of it (charMessage 0: none). Any thread; false when
// the window or its thread is gone.
bool PostKeyMessage(const Message& message, UINT charMessage, int character);

// Runs fn(context) on the window's thread and returns once it ran, as a sent
// message does; runs it at once on that thread itself; returns without
// running it when the window or its thread is gone, or ends first.
// Any thread.
void RunOnWindowThread(Window window, void (*fn)(void* context), void* context);

// Every window thread waits in GetMessage with nothing to hand out:
// nothing posted, sent, quitting or to paint. Any thread.
bool WindowThreadsIdle();
// Blocks until WindowThreadsIdle. Any thread but a window thread.
void WaitUntilIdle();

}  // namespace platform::shared
