// The table of windows: owners, procedures, client areas, visibility and
// update regions; creation, destruction and default handling as the desktop
// does them.
#include <algorithm>
#include <vector>

#include "model_state.hpp"

namespace platform {

namespace shared {

Model& TheModel() {
  static Model* const model = new Model;
  return *model;
}

WindowEntry* FindWindowLocked(Window window) {
  const auto found = TheModel().windows.find(window);
  return found != TheModel().windows.end() ? &found->second : nullptr;
}

ThreadQueue* FindQueueLocked(ThreadId thread) {
  const auto found = TheModel().queues.find(thread);
  return found != TheModel().queues.end() ? &found->second : nullptr;
}

Window PaintDueLocked(ThreadId thread) {
  for (const auto& [id, entry] : TheModel().windows) {
    if (entry.owner == thread && entry.visible && !entry.update.empty()) return id;
  }
  return 0;
}

Rect Union(Rect a, Rect b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

namespace {

// Lock held. The window's update region grows by rect, clipped to its client
// area; its thread hears of it.
void InvalidateLocked(WindowEntry& entry, Rect rect) {
  rect = Intersect(rect, {0, 0, entry.clientWidth, entry.clientHeight});
  if (rect.empty()) return;
  entry.update = Union(entry.update, rect);
  if (ThreadQueue* queue = FindQueueLocked(entry.owner)) WakeLocked(entry.owner, *queue);
  TheModel().changed.notify_all();
}

WindowProc ProcOf(Window window) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  return entry != nullptr ? entry->proc : nullptr;
}

}  // namespace

void SetClassProc(WindowProc proc) {
  std::lock_guard lock(TheModel().lock);
  TheModel().classProc = proc;
  TheModel().queues[GetCurrentThreadId()];
}

WindowProc ClassProc() {
  std::lock_guard lock(TheModel().lock);
  return TheModel().classProc;
}

bool RegisterWindowClass(WindowProc proc) {
  SetClassProc(proc);
  return proc != nullptr;
}

Window AddWindow(Window id, int clientWidth, int clientHeight) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(TheModel().lock);
    const ThreadId self = GetCurrentThreadId();
    TheModel().queues[self];
    WindowEntry& entry = TheModel().windows[id];
    entry = {};
    entry.owner = self;
    entry.proc = proc = TheModel().classProc;
    entry.clientWidth = std::max(clientWidth, 0);
    entry.clientHeight = std::max(clientHeight, 0);
  }
  if (proc != nullptr && proc(id, WM_CREATE, 0, 0) == -1) {
    // As the system does: the window is destroyed before the call returns.
    DestroyWindow(id);
    return 0;
  }
  return id;
}

void AddForeignWindow(Window id) {
  std::lock_guard lock(TheModel().lock);
  WindowEntry& entry = TheModel().windows[id];
  entry = {};
  entry.visible = true;
}

void ForgetWindow(Window id) {
  std::lock_guard lock(TheModel().lock);
  Model& model = TheModel();
  const auto found = model.windows.find(id);
  if (found == model.windows.end()) return;
  if (ThreadQueue* queue = FindQueueLocked(found->second.owner)) {
    ReleaseSendersLocked(*queue, id);
  }
  model.windows.erase(found);
  model.changed.notify_all();
}

void DestroyWindow(Window window) {
  if (!WindowExists(window)) return;
  if (const WindowProc proc = ProcOf(window)) proc(window, WM_DESTROY, 0, 0);
  // Out of the table first: from now on posts to it fail.
  ForgetWindow(window);
  if (Backend().destroyWindow != nullptr) Backend().destroyWindow(window);
}

bool WindowExists(Window window) {
  std::lock_guard lock(TheModel().lock);
  return FindWindowLocked(window) != nullptr;
}

ThreadId WindowOwner(Window window) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  return entry != nullptr ? entry->owner : 0;
}

void SetClientSize(Window window, int width, int height) {
  std::lock_guard lock(TheModel().lock);
  WindowEntry* entry = FindWindowLocked(window);
  if (entry == nullptr) return;
  entry->clientWidth = std::max(width, 0);
  entry->clientHeight = std::max(height, 0);
  entry->update = Intersect(entry->update, {0, 0, entry->clientWidth, entry->clientHeight});
  if (entry->update.empty()) entry->update = {};
}

void SetVisible(Window window, bool visible) {
  std::lock_guard lock(TheModel().lock);
  WindowEntry* entry = FindWindowLocked(window);
  if (entry == nullptr || entry->visible == visible) return;
  entry->visible = visible;
  if (visible) InvalidateLocked(*entry, {0, 0, entry->clientWidth, entry->clientHeight});
}

bool IsVisible(Window window) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  return entry != nullptr && entry->visible;
}

int PaintCount(Window window) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  return entry != nullptr ? entry->paints : 0;
}

void Invalidate(Window window, Rect rect) {
  std::lock_guard lock(TheModel().lock);
  if (WindowEntry* entry = FindWindowLocked(window)) InvalidateLocked(*entry, rect);
}

}  // namespace shared

using namespace shared;

Rect GetClientRect(Window window) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  return entry != nullptr ? Rect{0, 0, entry->clientWidth, entry->clientHeight} : Rect{};
}

void UpdateWindow(Window window) {
  WindowProc proc = nullptr;
  {
    std::lock_guard lock(TheModel().lock);
    WindowEntry* entry = FindWindowLocked(window);
    if (entry == nullptr || !entry->visible || entry->update.empty()) return;
    ++entry->paints;
    proc = entry->proc;
  }
  if (proc != nullptr) proc(window, WM_PAINT, 0, 0);
}

bool GetUpdateRect(Window window, Rect& rect) {
  std::lock_guard lock(TheModel().lock);
  const WindowEntry* entry = FindWindowLocked(window);
  if (entry == nullptr || entry->update.empty()) return false;
  rect = entry->update;
  return true;
}

Rect BeginPaint(Window window) {
  Rect rect;
  {
    std::lock_guard lock(TheModel().lock);
    WindowEntry* entry = FindWindowLocked(window);
    if (entry == nullptr) return {};
    rect = entry->update;
    entry->update = {};
  }
  if (!rect.empty() && Backend().eraseBackground != nullptr) {
    Backend().eraseBackground(window, rect);
  }
  return rect;
}

void EndPaint(Window) {}

LRESULT DefWindowProc(Window window, UINT message, WPARAM, LPARAM lParam) {
  if (!WindowExists(window)) return 0;
  switch (message) {
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETTEXT:
      if (Backend().setCaption != nullptr) {
        Backend().setCaption(window, reinterpret_cast<const char*>(lParam));
      }
      return 1;
    case WM_PAINT: {
      // A paint nobody handled still validates the window.
      std::lock_guard lock(TheModel().lock);
      if (WindowEntry* entry = FindWindowLocked(window)) entry->update = {};
      return 0;
    }
    default:
      return 0;
  }
}

void ReleaseThreadWindows() {
  const ThreadId self = GetCurrentThreadId();
  std::vector<Window> owned;
  {
    std::lock_guard lock(TheModel().lock);
    for (const auto& [id, entry] : TheModel().windows) {
      if (entry.owner == self) owned.push_back(id);
    }
  }
  // The backend's part goes first, so that whoever sees the thread gone
  // (WaitUntilIdle) finds its windows gone everywhere.
  for (const Window window : owned) {
    if (Backend().destroyWindow != nullptr) Backend().destroyWindow(window);
  }
  if (Backend().threadEnded != nullptr) Backend().threadEnded();
  std::lock_guard lock(TheModel().lock);
  Model& model = TheModel();
  std::erase_if(model.windows, [&](const auto& entry) { return entry.second.owner == self; });
  if (const auto queue = model.queues.find(self); queue != model.queues.end()) {
    // Senders waiting on this thread give up: nobody will answer them.
    ReleaseSendersLocked(queue->second, 0);
    model.queues.erase(queue);
  }
  model.changed.notify_all();
}

}  // namespace platform
