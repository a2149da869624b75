// Message queues of the in-process window system: one per thread that made a
// window, with posted messages, messages sent from other threads, the quit
// flag and repaints made up from update regions, as the desktop does.
#include <algorithm>
#include <atomic>

#include "memory_state.hpp"
#include "platform/memory/memory_control.hpp"

namespace platform {

using memory::TheState;

namespace {

std::atomic<ThreadId> nextThreadId{1};
thread_local ThreadId currentThreadId = 0;

// A window of the thread whose client area waits for a repaint, or 0.
Window PaintDue(ThreadId thread) {
  for (auto& [id, record] : TheState().windows) {
    if (record.owner == thread && record.visible && !record.update.empty()) return id;
  }
  return 0;
}

bool Idle(ThreadId thread, const memory::ThreadQueue& queue) {
  return !queue.busy && queue.posted.empty() && queue.sent.empty() && !queue.quit &&
         PaintDue(thread) == 0;
}

// The character a key-down gives, with no modifier held; 0 for none.
char KeyCharacter(WPARAM key) {
  if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  switch (key) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
      return static_cast<char>(key);
    case 0xBD:
      return '-';  // VK_OEM_MINUS
    case 0xBB:
      return '=';  // VK_OEM_PLUS
    default:
      return 0;
  }
}

void DestroyWindow(Window window) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(TheState().lock);
    if (const memory::WindowRecord* record = memory::FindWindowRecord(window)) proc = record->proc;
  }
  if (proc != nullptr) proc(window, WM_DESTROY, 0, 0);
  std::lock_guard lock(TheState().lock);
  TheState().windows.erase(window);
  TheState().changed.notify_all();
}

}  // namespace

ThreadId GetCurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = nextThreadId++;
  return currentThreadId;
}

int GetMessage(Message& message) {
  memory::State& state = TheState();
  const ThreadId self = GetCurrentThreadId();
  std::unique_lock lock(state.lock);
  memory::ThreadQueue& queue = memory::QueueOf(self);
  queue.busy = false;
  for (;;) {
    if (!queue.sent.empty()) {
      memory::SentMessage* sent = queue.sent.front();
      queue.sent.pop_front();
      const memory::WindowRecord* record = memory::FindWindowRecord(sent->window);
      const WindowProc proc = record != nullptr ? record->proc : nullptr;
      queue.busy = true;
      lock.unlock();
      if (proc != nullptr) proc(sent->window, sent->message, sent->wParam, sent->lParam);
      lock.lock();
      sent->done = true;
      queue.busy = false;
      state.changed.notify_all();
      continue;
    }
    if (!queue.posted.empty()) {
      message = queue.posted.front();
      queue.posted.pop_front();
      queue.busy = true;
      return message.message == WM_QUIT ? 0 : 1;
    }
    if (queue.quit) {
      queue.quit = false;
      queue.busy = true;
      message = {0, WM_QUIT, 0, 0};
      return 0;
    }
    if (const Window window = PaintDue(self); window != 0) {
      queue.busy = true;
      message = {window, WM_PAINT, 0, 0};
      return 1;
    }
    state.changed.notify_all();
    state.changed.wait(lock);
  }
}

void TranslateMessage(const Message& message) {
  if (message.message != WM_KEYDOWN) return;
  const char c = KeyCharacter(message.wParam);
  if (c == 0) return;
  std::lock_guard lock(TheState().lock);
  memory::QueueOf(GetCurrentThreadId())
      .posted.push_front({message.window, WM_CHAR, static_cast<WPARAM>(c), message.lParam});
}

LRESULT DispatchMessage(const Message& message) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(TheState().lock);
    const memory::WindowRecord* record = memory::FindWindowRecord(message.window);
    if (record == nullptr) return 0;
    if (message.message == WM_PAINT) ++TheState().windows[message.window].paints;
    proc = record->proc;
  }
  return proc != nullptr ? proc(message.window, message.message, message.wParam, message.lParam)
                         : 0;
}

LRESULT DefWindowProc(Window window, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT: {
      std::lock_guard lock(TheState().lock);
      memory::WindowRecord* record = memory::FindWindowRecord(window);
      if (record == nullptr) return 0;
      record->caption = reinterpret_cast<const char*>(lParam);
      return 1;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

void PostQuitMessage(int) {
  std::lock_guard lock(TheState().lock);
  memory::QueueOf(GetCurrentThreadId()).quit = true;
  TheState().changed.notify_all();
}

bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  memory::State& state = TheState();
  std::lock_guard lock(state.lock);
  const memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return false;
  if (record->owner == 0) return true;  // another program's window: not ours to watch
  const auto queue = state.queues.find(record->owner);
  if (queue == state.queues.end()) return false;
  queue->second.posted.push_back({window, message, wParam, lParam});
  state.changed.notify_all();
  return true;
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
  memory::State& state = TheState();
  std::lock_guard lock(state.lock);
  const auto queue = state.queues.find(thread);
  if (queue == state.queues.end()) return false;
  queue->second.posted.push_back({0, message, wParam, lParam});
  state.changed.notify_all();
  return true;
}

void ReleaseThreadWindows() {
  memory::State& state = TheState();
  const ThreadId self = GetCurrentThreadId();
  std::lock_guard lock(state.lock);
  std::erase_if(state.windows, [&](const auto& entry) { return entry.second.owner == self; });
  if (const auto queue = state.queues.find(self); queue != state.queues.end()) {
    // Senders waiting on this thread give up: nobody will answer them.
    for (memory::SentMessage* sent : queue->second.sent) sent->done = true;
    state.queues.erase(queue);
  }
  state.changed.notify_all();
}

void SetWindowText(Window window, const char* text) {
  if (window == 0) return;
  memory::State& state = TheState();
  std::unique_lock lock(state.lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  if (record->owner == 0) {
    record->caption = text;
    return;
  }
  if (record->owner == GetCurrentThreadId()) {
    const WindowProc proc = record->proc;
    lock.unlock();
    proc(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return;
  }
  const auto queue = state.queues.find(record->owner);
  if (queue == state.queues.end()) return;
  memory::SentMessage sent{window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)};
  queue->second.sent.push_back(&sent);
  state.changed.notify_all();
  state.changed.wait(lock, [&] { return sent.done; });
}

namespace memory {

ThreadQueue& QueueOf(ThreadId thread) { return TheState().queues[thread]; }

void WaitUntilIdle() {
  State& state = TheState();
  std::unique_lock lock(state.lock);
  state.changed.wait(lock, [&] {
    return std::all_of(state.queues.begin(), state.queues.end(),
                       [](const auto& entry) { return Idle(entry.first, entry.second); });
  });
}

void PostCloseFromOutside(Window window) { PostMessage(window, WM_CLOSE, 0, 0); }

}  // namespace memory

}  // namespace platform
