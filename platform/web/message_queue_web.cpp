// The window thread's message queue. Other threads post into it; the page's
// key events and repaint requests come in from the main browser thread. The
// window thread waits on a condition variable, a wait WebAssembly workers
// may make.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <string>

#include "page_keys.hpp"
#include "web_backend.hpp"

namespace platform {

namespace web {

namespace {

struct Queued {
  Message message;
  UINT charMessage = 0;  // what TranslateMessage makes of a key-down
  int character = -1;
};

// Work another thread hands to the window thread and waits for, as a sent
// message would be on Windows.
struct Request {
  std::string text;
  bool done = false;
};

std::mutex QueueLock;
std::condition_variable Changed;  // QueueLock: something to do, or a request done
std::deque<Queued> Queue;         // QueueLock
std::list<Request*> Requests;     // QueueLock; waiting callers own them
ThreadId Owner = 0;               // QueueLock: the window thread, 0 once it ended
Window PostTarget = 0;            // QueueLock: the window that accepts posts
Rect PageRepaint;                 // QueueLock: what the page asked to have repainted
bool Waiting = false;             // QueueLock: the window thread waits for messages

// Window thread only.
bool QuitPosted = false;
int QuitCode = 0;
struct PendingCharacter {
  bool valid = false;
  LPARAM lParam = 0;
  UINT message = 0;
  int character = 0;
} LastKeyCharacter;

std::atomic<ThreadId> NextThreadId{1};
thread_local ThreadId ThisThread = 0;

bool OnOwnerThread() { return Owner != 0 && Owner == GetCurrentThreadId(); }

Rect Union(Rect a, Rect b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

// Runs on the window thread: as a sent WM_SETTEXT through the window procedure.
void Perform(const Request& request) {
  if (TheWindow.id == 0 || TheWindow.proc == nullptr) return;
  TheWindow.proc(TheWindow.id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(request.text.c_str()));
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
    Changed.notify_all();
  }
}

// QueueLock held.
void ReleaseWaitersLocked() {
  for (Request* request : Requests) request->done = true;
  Requests.clear();
  Changed.notify_all();
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

void TakePageRepaints() {
  Rect rect;
  {
    std::lock_guard lock(QueueLock);
    rect = PageRepaint;
    PageRepaint = {};
  }
  if (TheWindow.id == 0 || rect.empty()) return;
  const Rect client{0, 0, TheWindow.image.width, TheWindow.image.height};
  rect = {std::max(rect.left, client.left), std::max(rect.top, client.top),
          std::min(rect.right, client.right), std::min(rect.bottom, client.bottom)};
  TheWindow.update = Union(TheWindow.update, rect);
}

void ClaimQueue() {
  std::lock_guard lock(QueueLock);
  const ThreadId self = GetCurrentThreadId();
  if (Owner == self) return;
  // A new window thread: what was posted to the last one is void.
  Queue.clear();
  PageRepaint = {};
  Owner = self;
  QuitPosted = false;
  LastKeyCharacter.valid = false;
}

void ReleaseQueue() {
  std::lock_guard lock(QueueLock);
  if (!OnOwnerThread()) return;
  Owner = 0;
  PostTarget = 0;
  Queue.clear();
  ReleaseWaitersLocked();
}

void SetPostTarget(Window window) {
  std::lock_guard lock(QueueLock);
  PostTarget = window;
  // Nobody is left to carry out what waits.
  if (window == 0) ReleaseWaitersLocked();
}

}  // namespace web

using namespace web;

ThreadId GetCurrentThreadId() {
  if (ThisThread == 0) ThisThread = NextThreadId.fetch_add(1);
  return ThisThread;
}

bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(QueueLock);
  if (window == 0 || window != PostTarget || Owner == 0) return false;
  Queue.push_back({{window, message, wParam, lParam}});
  Changed.notify_all();
  return true;
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(QueueLock);
  if (thread == 0 || thread != Owner) return false;
  Queue.push_back({{0, message, wParam, lParam}});
  Changed.notify_all();
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
    TakePageRepaints();
    std::unique_lock lock(QueueLock);
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
    Waiting = true;
    Changed.wait(lock, [] { return !Queue.empty() || !Requests.empty() || !PageRepaint.empty(); });
    Waiting = false;
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
  request.text = text != nullptr ? text : "";
  std::unique_lock lock(QueueLock);
  if (window == 0 || window != PostTarget) return;
  if (OnOwnerThread()) {
    lock.unlock();
    Perform(request);
    return;
  }
  Requests.push_back(&request);
  Changed.notify_all();
  Changed.wait(lock, [&] { return request.done; });
}

// The page has no Close command to grey: closing the tab ends the page, and
// the page says so.
void GreyCloseCommand(Window) {}

}  // namespace platform

namespace {

// Page event flags, as page.js packs them.
constexpr int kPress = 1;
constexpr int kRepeat = 2;
constexpr int kCtrl = 8;
constexpr int kAlt = 16;
constexpr int kMeta = 32;
constexpr int kAltGraph = 64;

}  // namespace

// A key event of the page: code and key as the browser gives them. Returns
// whether the page keeps the key from the browser. Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_web_key(int flags, const char* code, const char* key) {
  using namespace platform;
  const bool press = (flags & kPress) != 0;
  const web::Modifiers held{(flags & kCtrl) != 0, (flags & kAlt) != 0, (flags & kMeta) != 0,
                            (flags & kAltGraph) != 0};
  const keys::KeyMessages messages = web::TranslatePageKey(code, key, press, held);
  if (messages.virtualKey == 0) return 0;
  // lParam as Windows packs it: repeat count 1, Alt held, the previous key
  // state and the transition. The scan code is not known to a page.
  LPARAM lParam = 1;
  if (held.alt || messages.virtualKey == VK_MENU) lParam |= LPARAM{1} << 29;
  if ((flags & kRepeat) != 0 || !press) lParam |= LPARAM{1} << 30;
  if (!press) lParam |= LPARAM{1} << 31;
  {
    std::lock_guard lock(web::QueueLock);
    if (web::PostTarget == 0 || web::Owner == 0) return 0;
    web::Queue.push_back({{web::PostTarget, messages.key, messages.virtualKey, lParam},
                          messages.charMessage,
                          messages.character});
    web::Changed.notify_all();
  }
  return web::PageKeepsKey(messages, held) ? 1 : 0;
}

// The page asks for a repaint of a part of the window (its canvas was
// cleared, or a test spoiled it). Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE void fractals_web_repaint(int left, int top, int right,
                                                          int bottom) {
  using namespace platform;
  std::lock_guard lock(web::QueueLock);
  if (web::PostTarget == 0) return;
  web::PageRepaint = web::Union(web::PageRepaint, {left, top, right, bottom});
  web::Changed.notify_all();
}

// For the page's tests: the window thread waits for messages with nothing
// queued, so it has shown everything drawn before the last flush was posted.
// Main browser thread.
extern "C" EMSCRIPTEN_KEEPALIVE int fractals_web_window_idle() {
  using namespace platform;
  std::lock_guard lock(web::QueueLock);
  return web::Owner != 0 && web::Waiting && web::Queue.empty() && web::Requests.empty() &&
                 web::PageRepaint.empty()
             ? 1
             : 0;
}
