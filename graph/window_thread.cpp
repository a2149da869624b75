// The window thread and the hand-shakes that start and end it.
#include "window_thread.hpp"

#include <chrono>
#include <condition_variable>
#include <system_error>
#include <thread>

#include "graph/graph.hpp"
#include "runtime/runtime.hpp"

namespace graph {

std::atomic<platform::Window> GraphWindow{0};
std::atomic<platform::ThreadId> MessageThreadID{0};
std::atomic<std::uint32_t> MessageThreadExitCode{0};
std::mutex GraphDrawing;
std::atomic<bool> GraphRunning{false};
bool SurfacesMade = false;
int WindowScale = 1;
std::uint32_t ExtraStyle = 0;
std::atomic<bool> WindowLeftToTheEnd{false};

namespace {

std::thread MessageThread;
bool ClassRegistered = false;  // once per process; window thread

// The start-up wait sleeps here until the window is painted or the thread
// ends. Never destroyed: a window thread let go by CloseGraph may still signal
// while the process ends.
std::mutex& StartupLock = *new std::mutex;
std::condition_variable& StartupSignal = *new std::condition_variable;

constexpr std::uint32_t WS_MAXIMIZE = platform::WS_MAXIMIZE;

void WindowThreadMain() {
  const std::uint32_t code = MessageHandleThread();
  platform::ReleaseThreadWindows();
  std::lock_guard lock(StartupLock);
  MessageThreadExitCode = code;
  StartupSignal.notify_all();
}

// The image outlives the window only when the loop ended without WM_DESTROY
// (the connection to the display broke, say): release it like WM_DESTROY would.
void ReleaseLeftoverSurfaces() {
  std::lock_guard lock(GraphDrawing);
  GraphRunning = false;
  if (SurfacesMade) platform::DestroySurfaces(GraphWindow.load());
  SurfacesMade = false;
  ResetFlush();
}

}  // namespace

void AnnounceRunning() {
  {
    std::lock_guard lock(StartupLock);
    GraphRunning = true;
  }
  StartupSignal.notify_all();
}

std::uint32_t MessageHandleThread() {
  runtime::PrepareWorkerThread();
  MessageThreadID = platform::GetCurrentThreadId();
  if (!ClassRegistered) {
    if (!WinRegister()) {
      platform::MessageBox("Window registration failed", nullptr);
      return 1;
    }
    ClassRegistered = true;
  }
  const platform::Window window = WinCreate();
  if (window == 0) {
    ReleaseLeftoverSurfaces();
    GraphWindow = 0;
    platform::MessageBox("Window creation failed", nullptr);
    return 1;
  }
  GraphWindow = window;
  platform::Message message;
  while (platform::GetMessage(message) == 1) {
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
  ReleaseLeftoverSurfaces();
  return 0;
}

bool StartWindowThread() {
  ExtraStyle = (IntCurrentMode >= 245 && IntCurrentMode <= 249) ? WS_MAXIMIZE : 0;
  GraphRunning = false;
  GraphWindow = 0;
  MessageThreadID = 0;
  MessageThreadExitCode = STILL_ACTIVE;
  WindowLeftToTheEnd = false;
  AllocateImage(MaxX + 1, MaxY + 1);
  try {
    MessageThread = std::thread(WindowThreadMain);
  } catch (const std::system_error&) {
    // No memory for the thread's stack, as a rule: what a failed allocation is.
    runtime::RunError(203);
  }
  std::unique_lock lock(StartupLock);
  const auto started = [] { return GraphRunning || MessageThreadExitCode != STILL_ACTIVE; };
  // The wait lasts as long as a failure box stays open: an interrupt must
  // still end the program meanwhile, at a moment no lock is held.
  while (!StartupSignal.wait_for(lock, std::chrono::milliseconds(10), started)) {
    lock.unlock();
    runtime::CheckInterrupt();
    lock.lock();
  }
  if (MessageThreadExitCode == STILL_ACTIVE) return true;
  lock.unlock();
  MessageThread.join();
  FreeImage();
  return false;
}

bool StopWindowThread() {
  const bool onWindowThread =
      MessageThread.joinable() && MessageThread.get_id() == std::this_thread::get_id();
  if (onWindowThread && runtime::IsEndingThread()) {
    // The process ends from here and its report's box comes next, on this
    // thread: its modal loop would take a WM_QUIT and close at once, and
    // could dispatch a WM_DESTROY whose handler waits for the drawing lock
    // this thread may hold. The window is hidden instead and its procedure
    // does nothing more.
    WindowLeftToTheEnd = true;
    platform::ShowWindow(GraphWindow.load(), platform::SW_HIDE);
  } else {
    // What the program drew last still reaches the window before it goes.
    if (!onWindowThread) PauseDrawing();
    platform::PostMessage(GraphWindow.load(), platform::WM_DESTROY, 0, 0);
    platform::PostThreadMessage(MessageThreadID.load(), platform::WM_QUIT, 0, 0);
  }
  MessageThreadID = 0;
  if (!MessageThread.joinable()) return true;
  if (onWindowThread) {
    MessageThread.detach();
    return false;
  }
  MessageThread.join();
  GraphWindow = 0;
  FreeImage();
  return true;
}

}  // namespace graph
