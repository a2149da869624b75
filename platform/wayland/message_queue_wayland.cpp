// The window thread's message queue. Other threads post into it and wake the
// thread through a self-pipe; the thread waits in poll() on that pipe and on
// the compositor's connection together, no longer than until the held key
// repeats next.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <string>

#include "wayland_backend.hpp"

namespace platform {

namespace wayland {

PendingCharacter LastKeyCharacter;

namespace {

struct Queued {
  Message message;
  UINT charMessage = 0;  // what TranslateMessage makes of a key-down
  int character = -1;
};

// Work another thread hands to the window thread and waits for, as a sent
// message would be on Windows.
struct Request {
  bool caption = false;  // else: grey the Close command
  std::string text;
  bool done = false;
};

std::mutex QueueLock;
std::condition_variable RequestDone;
std::deque<Queued> Queue;      // QueueLock
std::list<Request*> Requests;  // QueueLock; waiting callers own them
ThreadId Owner = 0;            // QueueLock: the window thread, 0 once it ended
Window PostTarget = 0;         // QueueLock: the window that accepts posts
bool Sleeping = false;         // QueueLock: owner is (about to be) in poll()

int WakePipe[2] = {-1, -1};
std::once_flag WakePipeMade;

// Window thread only.
bool QuitPosted = false;
int QuitCode = 0;

std::atomic<ThreadId> NextThreadId{1};
thread_local ThreadId ThisThread = 0;

void MakeWakePipe() {
  std::call_once(WakePipeMade, [] {
    if (pipe2(WakePipe, O_NONBLOCK | O_CLOEXEC) != 0) WakePipe[0] = WakePipe[1] = -1;
  });
}

// QueueLock held. One byte per sleep is enough: the owner looks at the queue
// after every wake-up.
void WakeOwnerLocked() {
  if (!Sleeping) return;
  Sleeping = false;
  const char byte = 1;
  [[maybe_unused]] ssize_t written = write(WakePipe[1], &byte, 1);
}

void DrainWakePipe() {
  char buffer[64];
  while (read(WakePipe[0], buffer, sizeof buffer) > 0) {
  }
}

bool OnOwnerThread() { return Owner != 0 && Owner == GetCurrentThreadId(); }

// Runs on the window thread: as a sent WM_SETTEXT through the window
// procedure, or straight to the decorations.
void Perform(const Request& request) {
  if (TheWindow.id == 0) return;
  if (request.caption) {
    if (TheWindow.proc != nullptr) {
      TheWindow.proc(TheWindow.id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request.text.c_str()));
    }
  } else {
    GreyClose();
  }
}

// Any thread. Returns when the window thread carried the request out, or at
// once when the window is not there (or is the caller's own).
void SendRequest(Window window, Request& request) {
  std::unique_lock lock(QueueLock);
  if (window == 0 || window != PostTarget) return;
  if (OnOwnerThread()) {
    lock.unlock();
    Perform(request);
    return;
  }
  Requests.push_back(&request);
  WakeOwnerLocked();
  RequestDone.wait(lock, [&] { return request.done; });
}

void ServeRequests() {
  std::unique_lock lock(QueueLock);
  while (!Requests.empty()) {
    Request* request = Requests.front();
    Requests.pop_front();
    lock.unlock();
    Perform(*request);
    lock.lock();
    request->done = true;
    RequestDone.notify_all();
  }
}

}  // namespace

void QueueFromWindowThread(const Message& message, bool front) {
  std::lock_guard lock(QueueLock);
  if (front) {
    Queue.push_front({message});
  } else {
    Queue.push_back({message});
  }
}

void QueueKey(const Message& message, UINT charMessage, int character) {
  std::lock_guard lock(QueueLock);
  Queue.push_back({message, charMessage, character});
}

void ClaimQueue() {
  MakeWakePipe();
  std::lock_guard lock(QueueLock);
  const ThreadId self = GetCurrentThreadId();
  if (Owner == self) return;
  // A new window thread: what was posted to the last one is void.
  Queue.clear();
  Owner = self;
  QuitPosted = false;
}

void ReleaseQueue() {
  std::lock_guard lock(QueueLock);
  if (!OnOwnerThread()) return;
  Owner = 0;
  PostTarget = 0;
  Queue.clear();
  for (Request* request : Requests) request->done = true;
  Requests.clear();
  RequestDone.notify_all();
}

void SetPostTarget(Window window) {
  std::lock_guard lock(QueueLock);
  PostTarget = window;
  if (window == 0) {
    // Nobody is left to carry out what waits.
    for (Request* request : Requests) request->done = true;
    Requests.clear();
    RequestDone.notify_all();
  }
}

}  // namespace wayland

using namespace wayland;

ThreadId GetCurrentThreadId() {
  if (ThisThread == 0) ThisThread = NextThreadId.fetch_add(1);
  return ThisThread;
}

bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(QueueLock);
  if (window == 0 || window != PostTarget || Owner == 0) return false;
  Queue.push_back({{window, message, wParam, lParam}});
  WakeOwnerLocked();
  return true;
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(QueueLock);
  if (thread == 0 || thread != Owner) return false;
  Queue.push_back({{0, message, wParam, lParam}});
  WakeOwnerLocked();
  return true;
}

void PostQuitMessage(int exitCode) {
  QuitPosted = true;
  QuitCode = exitCode;
}

int GetMessage(Message& message) {
  ClaimQueue();
  LastKeyCharacter.valid = false;
  for (;;) {
    ServeRequests();
    if (TheDisplay != nullptr) {
      ReadAndDispatch(0);
      RepeatDueKeys();
    }
    {
      std::lock_guard lock(QueueLock);
      if (!Queue.empty()) {
        const Queued next = Queue.front();
        Queue.pop_front();
        message = next.message;
        if (message.message == WM_QUIT) return 0;
        if (next.charMessage != 0) {
          LastKeyCharacter = {true, message.lParam, next.charMessage, next.character};
        }
        return 1;
      }
    }
    // As on Windows: the quit request after the posted messages, the paint
    // after everything else.
    if (QuitPosted) {
      QuitPosted = false;
      message = {0, WM_QUIT, static_cast<WPARAM>(QuitCode), 0};
      return 0;
    }
    if (TheWindow.id != 0 && !TheWindow.update.empty()) {
      message = {TheWindow.id, WM_PAINT, 0, 0};
      return 1;
    }
    {
      std::lock_guard lock(QueueLock);
      if (!Queue.empty() || !Requests.empty()) continue;
      Sleeping = true;
    }
    // Every event read so far is dispatched above, so what is left to wait
    // for arrives on one of the two descriptors, or is the next repeat.
    pollfd waits[2] = {{WakePipe[0], POLLIN, 0}, {-1, POLLIN, 0}};
    if (TheDisplay != nullptr) waits[1].fd = wl_display_get_fd(TheDisplay);
    if (poll(waits, 2, MillisecondsToRepeat()) < 0 && errno != EINTR) return -1;
    {
      std::lock_guard lock(QueueLock);
      Sleeping = false;
    }
    DrainWakePipe();
  }
}

void TranslateMessage(const Message& message) {
  if (!LastKeyCharacter.valid) return;
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return;
  if (message.lParam != LastKeyCharacter.lParam) return;
  LastKeyCharacter.valid = false;
  QueueFromWindowThread({message.window, LastKeyCharacter.message,
                         static_cast<WPARAM>(LastKeyCharacter.character), message.lParam},
                        true);
}

LRESULT DispatchMessage(const Message& message) {
  // Thread messages have no window and go nowhere.
  if (message.window == 0 || message.window != TheWindow.id || TheWindow.proc == nullptr) return 0;
  return TheWindow.proc(message.window, message.message, message.wParam, message.lParam);
}

void SetWindowText(Window window, const char* text) {
  Request request;
  request.caption = true;
  request.text = text != nullptr ? text : "";
  SendRequest(window, request);
}

void GreyCloseCommand(Window window) {
  Request request;
  SendRequest(window, request);
}

}  // namespace platform
