// The window model's state, shared by its source files. Everything is read
// and written with TheModel().lock held.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/shared/window_model.hpp"

namespace platform::shared {

struct Queued {
  Message message;
  UINT charMessage = 0;  // what TranslateMessage makes of a key-down; 0: none said
  int character = -1;
};

// Work handed to another thread and waited for, as a sent message is.
struct SentWork {
  Window window = 0;
  void (*fn)(void* context) = nullptr;
  void* context = nullptr;
  bool done = false;
};

struct ThreadQueue {
  std::deque<Queued> posted;
  std::deque<SentWork*> sent;  // their senders own them and wait
  bool quit = false;
  int quitCode = 0;
  bool busy = true;       // handling a message, or not yet in its message loop
  bool sleeping = false;  // in (or about to enter) the backend's wait
};

struct WindowEntry {
  ThreadId owner = 0;  // 0: another program's window, which takes no messages
  WindowProc proc = nullptr;
  int clientWidth = 0;
  int clientHeight = 0;
  bool visible = false;
  Rect update;  // needs a repaint (bounding box); empty when valid
  int paints = 0;
};

struct Model {
  std::mutex lock;
  // Signalled on every change: new messages, handled messages, idle threads.
  std::condition_variable changed;
  std::map<Window, WindowEntry> windows;
  std::map<ThreadId, ThreadQueue> queues;
  WindowProc classProc = nullptr;
};

// Made once and never destroyed: window threads may outlive static
// destructors.
Model& TheModel();

// Lock held for these.
WindowEntry* FindWindowLocked(Window window);
ThreadQueue* FindQueueLocked(ThreadId thread);
// Something is there for thread: its condition variable and, when it sleeps
// in the backend's wait, the backend's wake-up.
void WakeLocked(ThreadId thread, ThreadQueue& queue);
// Senders waiting for work that will never run return.
void ReleaseSendersLocked(ThreadQueue& queue, Window window);
// A window of the thread that waits for a repaint, or 0.
Window PaintDueLocked(ThreadId thread);

Rect Union(Rect a, Rect b);

}  // namespace platform::shared
