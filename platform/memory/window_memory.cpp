// Windows of the in-process window system: screen metrics, the window class,
// creation, showing, caption and system menu, and other programs' windows.
#include <algorithm>
#include <utility>
#include <vector>

#include "memory_state.hpp"
#include "platform/memory/memory_control.hpp"
#include "platform/shared/window_model.hpp"

namespace platform {

namespace memory {

State& TheState() {
  static State* const state = [] {
    auto* s = new State;
    DefaultMetrics(s->metrics);
    return s;
  }();
  return *state;
}

}  // namespace memory

using memory::TheState;

// The one window system of the programs it is linked into.
const char* ChooseWindowSystem() { return nullptr; }

int GetSystemMetrics(int index) {
  std::lock_guard lock(TheState().lock);
  return index >= 0 && index < memory::MetricCount ? TheState().metrics[index] : 0;
}

int DisplayScale(Window) {
  std::lock_guard lock(TheState().lock);
  return TheState().displayScale;
}

bool RegisterWindowClass(WindowProc proc) {
  {
    std::lock_guard lock(TheState().lock);
    if (TheState().failRegistration) return false;
  }
  shared::SetClassProc(proc);
  return true;
}

Window CreateGraphWindow(const char* caption, std::uint32_t style, int x, int y, int width,
                         int height) {
  memory::State& state = TheState();
  Window window = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  {
    std::lock_guard lock(state.lock);
    if (state.failCreation || shared::ClassProc() == nullptr) return 0;
    window = state.nextWindow++;
    memory::WindowRecord& record = state.windows[window];
    record.caption = caption;
    record.style = style;
    record.outerWidth = width;
    record.outerHeight = height;
    record.requested = {x, y, width, height};
    if ((style & WS_MAXIMIZE) != 0) {
      record.clientWidth = state.metrics[SM_CXFULLSCREEN];
      record.clientHeight = state.metrics[SM_CYFULLSCREEN];
    } else {
      record.clientWidth = width - memory::FrameWidthLocked() - state.frameSurplusX;
      record.clientHeight = height - memory::FrameHeightLocked() - state.frameSurplusY;
    }
    clientWidth = record.clientWidth;
    clientHeight = record.clientHeight;
  }
  return shared::AddWindow(window, clientWidth, clientHeight);
}

Rect AdjustWindowRect(Rect client, std::uint32_t) {
  std::lock_guard lock(TheState().lock);
  const auto& m = TheState().metrics;
  const int sideX = m[SM_CXFRAME] + m[SM_CXPADDEDBORDER];
  const int sideY = m[SM_CYFRAME] + m[SM_CXPADDEDBORDER];
  return {client.left - sideX, client.top - sideY - m[SM_CYCAPTION], client.right + sideX,
          client.bottom + sideY};
}

void SetWindowSize(Window window, int width, int height) {
  std::unique_lock lock(TheState().lock);
  memory::WindowRecord* record = memory::FindWindowRecord(window);
  if (record == nullptr) return;
  record->outerWidth = width;
  record->outerHeight = height;
  const int clientWidth =
      std::max(0, width - memory::FrameWidthLocked() - TheState().frameSurplusX);
  const int clientHeight =
      std::max(0, height - memory::FrameHeightLocked() - TheState().frameSurplusY);
  if (!record->surface.empty()) {
    // What was shown stays at the top left; the new part is black.
    std::vector<std::uint32_t> surface(static_cast<std::size_t>(clientWidth) * clientHeight, 0);
    for (int y = 0; y < std::min(clientHeight, record->clientHeight); ++y) {
      for (int x = 0; x < std::min(clientWidth, record->clientWidth); ++x) {
        surface[static_cast<std::size_t>(y) * clientWidth + x] =
            record->surface[static_cast<std::size_t>(y) * record->clientWidth + x];
      }
    }
    record->surface = std::move(surface);
  }
  record->clientWidth = clientWidth;
  record->clientHeight = clientHeight;
  lock.unlock();
  shared::SetClientSize(window, clientWidth, clientHeight);
}

void ShowWindow(Window window, int command) {
  if (!memory::WindowExists(window)) return;
  shared::SetVisible(window, command != SW_HIDE);
}

void GreyCloseCommand(Window window) {
  std::lock_guard lock(TheState().lock);
  if (memory::WindowRecord* record = memory::FindWindowRecord(window)) record->closeGreyed = true;
}

void SetFatalErrorHandler(FatalErrorHandler handler) {
  std::lock_guard lock(TheState().lock);
  TheState().fatalErrorHandler = handler;
}

namespace memory {

WindowRecord* FindWindowRecord(Window window) {
  const auto found = TheState().windows.find(window);
  return found != TheState().windows.end() ? &found->second : nullptr;
}

void ResetMetricsLocked() { DefaultMetrics(TheState().metrics); }

void DefaultMetrics(std::array<int, MetricCount>& m) {
  m.fill(0);
  m[SM_CXSCREEN] = 1280;
  m[SM_CYSCREEN] = 1024;
  m[SM_CXFRAME] = 4;
  m[SM_CYFRAME] = 4;
  m[SM_CXPADDEDBORDER] = 4;
  m[SM_CYCAPTION] = 23;
  m[SM_CXFULLSCREEN] = 1280;
  m[SM_CYFULLSCREEN] = 977;
}

int FrameWidthLocked() {
  const auto& m = TheState().metrics;
  return 2 * (m[SM_CXFRAME] + m[SM_CXPADDEDBORDER]);
}

int FrameHeightLocked() {
  const auto& m = TheState().metrics;
  return 2 * (m[SM_CYFRAME] + m[SM_CXPADDEDBORDER]) + m[SM_CYCAPTION];
}

void SetSystemMetric(int index, int value) {
  std::lock_guard lock(TheState().lock);
  if (index >= 0 && index < MetricCount) TheState().metrics[index] = value;
}

void ResetSystemMetrics() {
  std::lock_guard lock(TheState().lock);
  ResetMetricsLocked();
}

void FailWindowRegistration(bool fail) {
  std::lock_guard lock(TheState().lock);
  TheState().failRegistration = fail;
}

void FailWindowCreation(bool fail) {
  std::lock_guard lock(TheState().lock);
  TheState().failCreation = fail;
}

void FailSurfaces(bool fail) {
  std::lock_guard lock(TheState().lock);
  TheState().failSurfaces = fail;
}

void SetFrameSurplus(int width, int height) {
  std::lock_guard lock(TheState().lock);
  TheState().frameSurplusX = width;
  TheState().frameSurplusY = height;
}

void SetDisplayScale(int scale) {
  std::lock_guard lock(TheState().lock);
  TheState().displayScale = scale;
}

bool WindowExists(Window window) {
  std::lock_guard lock(TheState().lock);
  return FindWindowRecord(window) != nullptr;
}

bool WindowVisible(Window window) { return shared::IsVisible(window); }

std::string Caption(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr ? record->caption : std::string();
}

bool CloseGreyed(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr && record->closeGreyed;
}

std::uint32_t Style(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr ? record->style : 0;
}

Rect ClientRect(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr ? Rect{0, 0, record->clientWidth, record->clientHeight} : Rect{};
}

Rect OuterRect(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr ? Rect{0, 0, record->outerWidth, record->outerHeight} : Rect{};
}

Placement RequestedPlacement(Window window) {
  std::lock_guard lock(TheState().lock);
  const WindowRecord* record = FindWindowRecord(window);
  return record != nullptr ? record->requested : Placement{};
}

int PaintCount(Window window) { return shared::PaintCount(window); }

Window CreateForeignWindow(const char* caption) {
  Window window = 0;
  {
    std::lock_guard lock(TheState().lock);
    window = TheState().nextWindow++;
    TheState().windows[window].caption = caption;
  }
  shared::AddForeignWindow(window);
  return window;
}

void DestroyForeignWindow(Window window) {
  if (!WindowExists(window) || shared::WindowOwner(window) != 0) return;
  shared::ForgetWindow(window);
  std::lock_guard lock(TheState().lock);
  TheState().windows.erase(window);
}

Window FindWindowByCaption(const char* caption) {
  std::lock_guard lock(TheState().lock);
  for (const auto& [id, record] : TheState().windows) {
    if (record.caption == caption) return id;
  }
  return 0;
}

void RaiseFatalError(const char* text) {
  FatalErrorHandler handler = nullptr;
  {
    std::lock_guard lock(TheState().lock);
    handler = TheState().fatalErrorHandler;
  }
  if (handler != nullptr) handler(text);
}

}  // namespace memory

}  // namespace platform
