// Message queues, one per window thread: posted messages, work sent from
// other threads, the quit request and the repaints the update regions make
// up, handed out in the desktop's order. The backend's events come in
// through its hooks before each look at the queue.
#include <algorithm>
#include <atomic>
#include <cstdint>

#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
#include <pthread.h>
#endif

#include "model_state.hpp"

namespace platform {

namespace shared {

namespace {

#if !defined(__EMSCRIPTEN__) || defined(__EMSCRIPTEN_PTHREADS__)
std::atomic<ThreadId> NextThreadId{1};
thread_local ThreadId ThisThread = 0;
#endif

// The character the last key-down GetMessage handed out types, for
// TranslateMessage. Window thread's own (in the page build without threads
// all fibers share it; only the window thread translates keys).
struct PendingCharacter {
  bool valid = false;
  LPARAM lParam = 0;
  UINT message = 0;
  int character = 0;
};
thread_local PendingCharacter LastKeyCharacter;

bool IdleLocked(ThreadId thread, const ThreadQueue& queue) {
  return !queue.busy && queue.posted.empty() && queue.sent.empty() && !queue.quit &&
         PaintDueLocked(thread) == 0;
}

bool AllIdleLocked() {
  return std::all_of(TheModel().queues.begin(), TheModel().queues.end(),
                     [](const auto& entry) { return IdleLocked(entry.first, entry.second); });
}

// Lock held. Queues for the window's thread; false when it has none.
bool PostLocked(const Message& message, UINT charMessage, int character) {
  const WindowEntry* entry = FindWindowLocked(message.window);
  if (entry == nullptr) return false;
  if (entry->owner == 0) return true;  // another program's window: not ours to watch
  ThreadQueue* queue = FindQueueLocked(entry->owner);
  if (queue == nullptr) return false;
  queue->posted.push_back({message, charMessage, character});
  WakeLocked(entry->owner, *queue);
  return true;
}

}  // namespace

void WakeLocked(ThreadId thread, ThreadQueue& queue) {
  TheModel().changed.notify_all();
  if (!queue.sleeping) return;
  queue.sleeping = false;
  if (Backend().wake != nullptr) Backend().wake(thread);
}

void ReleaseSendersLocked(ThreadQueue& queue, Window window) {
  std::erase_if(queue.sent, [&](SentWork* work) {
    if (window != 0 && work->window != window) return false;
    work->done = true;
    return true;
  });
  TheModel().changed.notify_all();
}

bool PostKeyMessage(const Message& message, UINT charMessage, int character) {
  std::lock_guard lock(TheModel().lock);
  return PostLocked(message, charMessage, character);
}

void RunOnWindowThread(Window window, void (*fn)(void* context), void* context) {
  Model& model = TheModel();
  std::unique_lock lock(model.lock);
  const WindowEntry* entry = FindWindowLocked(window);
  if (entry == nullptr || entry->owner == 0) return;
  const ThreadId owner = entry->owner;
  if (owner == GetCurrentThreadId()) {
    lock.unlock();
    fn(context);
    return;
  }
  ThreadQueue* queue = FindQueueLocked(owner);
  if (queue == nullptr) return;
  SentWork work{window, fn, context};
  queue->sent.push_back(&work);
  WakeLocked(owner, *queue);
  model.changed.wait(lock, [&] { return work.done; });
}

bool WindowThreadsIdle() {
  std::lock_guard lock(TheModel().lock);
  return AllIdleLocked();
}

void WaitUntilIdle() {
  std::unique_lock lock(TheModel().lock);
  TheModel().changed.wait(lock, [] { return AllIdleLocked(); });
}

}  // namespace shared

using namespace shared;

ThreadId GetCurrentThreadId() {
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
  // In the page build without threads the threads are fibers on one thread
  // and share its locals: the threads library's own handle tells them apart
  // (a nonzero 32-bit address in WebAssembly).
  static_assert(sizeof(pthread_t) <= sizeof(ThreadId));
  return static_cast<ThreadId>(reinterpret_cast<std::uintptr_t>(pthread_self()));
#else
  if (ThisThread == 0) ThisThread = NextThreadId.fetch_add(1);
  return ThisThread;
#endif
}

int GetMessage(Message& message) {
  Model& model = TheModel();
  const ThreadId self = GetCurrentThreadId();
  LastKeyCharacter.valid = false;
  std::unique_lock lock(model.lock);
  model.queues[self].busy = false;
  for (;;) {
    // The queue stays where it is: only this thread erases it.
    ThreadQueue& queue = model.queues[self];
    if (!queue.sent.empty()) {
      SentWork* work = queue.sent.front();
      queue.sent.pop_front();
      queue.busy = true;
      lock.unlock();
      work->fn(work->context);
      lock.lock();
      work->done = true;
      queue.busy = false;
      model.changed.notify_all();
      continue;
    }
    if (Backend().translateEvents != nullptr) {
      lock.unlock();
      Backend().translateEvents();
      lock.lock();
      if (!queue.sent.empty()) continue;
    }
    // As on Windows: the quit request after the posted messages, the paint
    // after everything else.
    if (!queue.posted.empty()) {
      const Queued next = queue.posted.front();
      queue.posted.pop_front();
      queue.busy = true;
      message = next.message;
      if (message.message == WM_QUIT) return 0;
      if (next.charMessage != 0) {
        LastKeyCharacter = {true, message.lParam, next.charMessage, next.character};
      }
      return 1;
    }
    if (queue.quit) {
      queue.quit = false;
      queue.busy = true;
      message = {0, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0};
      return 0;
    }
    if (const Window window = PaintDueLocked(self); window != 0) {
      queue.busy = true;
      message = {window, WM_PAINT, 0, 0};
      return 1;
    }
    model.changed.notify_all();
    if (Backend().waitForEvents == nullptr) {
      model.changed.wait(lock);
      continue;
    }
    // Whatever arrives from now on wakes the backend's wait.
    queue.sleeping = true;
    lock.unlock();
    const bool alive = Backend().waitForEvents();
    lock.lock();
    model.queues[self].sleeping = false;
    if (!alive) {
      model.queues[self].busy = true;
      return -1;
    }
  }
}

void TranslateMessage(const Message& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return;
  UINT charMessage = 0;
  int character = 0;
  if (LastKeyCharacter.valid && message.lParam == LastKeyCharacter.lParam) {
    charMessage = LastKeyCharacter.message;
    character = LastKeyCharacter.character;
  } else if (Backend().keyCharacter == nullptr ||
             !Backend().keyCharacter(message, charMessage, character)) {
    return;
  }
  LastKeyCharacter.valid = false;
  std::lock_guard lock(TheModel().lock);
  TheModel().queues[GetCurrentThreadId()].posted.push_front(
      {{message.window, charMessage, static_cast<WPARAM>(character), message.lParam}});
}

LRESULT DispatchMessage(const Message& message) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(TheModel().lock);
    WindowEntry* entry = FindWindowLocked(message.window);
    // Thread messages have no window and go nowhere.
    if (entry == nullptr) return 0;
    if (message.message == WM_PAINT) ++entry->paints;
    proc = entry->proc;
  }
  return proc != nullptr ? proc(message.window, message.message, message.wParam, message.lParam)
                         : 0;
}

void PostQuitMessage(int exitCode) {
  std::lock_guard lock(TheModel().lock);
  ThreadQueue& queue = TheModel().queues[GetCurrentThreadId()];
  queue.quit = true;
  queue.quitCode = exitCode;
  TheModel().changed.notify_all();
}

bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == 0) return false;
  std::lock_guard lock(TheModel().lock);
  return PostLocked({window, message, wParam, lParam}, 0, -1);
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(TheModel().lock);
  ThreadQueue* queue = thread != 0 ? FindQueueLocked(thread) : nullptr;
  if (queue == nullptr) return false;
  queue->posted.push_back({{0, message, wParam, lParam}});
  WakeLocked(thread, *queue);
  return true;
}

void SetWindowText(Window window, const char* text) {
  if (window == 0 || !WindowExists(window)) return;
  struct Call {
    Window window;
    const char* text;
  } call{window, text != nullptr ? text : ""};
  if (WindowOwner(window) == 0) {
    // Another program's window: the system sets its caption itself.
    if (Backend().setCaption != nullptr) Backend().setCaption(window, call.text);
    return;
  }
  // As a sent WM_SETTEXT, handled by the window procedure on its thread.
  RunOnWindowThread(
      window,
      [](void* context) {
        const auto* sent = static_cast<const Call*>(context);
        WindowProc proc = nullptr;
        {
          std::lock_guard lock(TheModel().lock);
          if (const WindowEntry* entry = FindWindowLocked(sent->window)) proc = entry->proc;
        }
        if (proc != nullptr) {
          proc(sent->window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(sent->text));
        }
      },
      &call);
}

}  // namespace platform
