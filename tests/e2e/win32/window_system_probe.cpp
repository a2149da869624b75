// A small program that drives the window system the way the graphics module
// does, without it: this thread owns the window and runs its message loop, a
// second thread draws into the memory image and asks for flushes. The
// end-to-end tests look at it from outside.
//
// Keys: `c` clears the image, `d` draws the pattern again, Enter ends with
// exit code 0, Escape with exit code 7. The caption becomes "Probe drawn"
// once the pattern is first in the image.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/window_system.hpp"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr platform::UINT kFlushMessage = platform::WM_APP + 1;

std::mutex drawing;  // guards image and dirty
platform::Image image;
platform::Rect dirty;
bool flushPending = false;

std::atomic<platform::Window> window{0};
std::atomic<bool> painted{false};

std::mutex keysLock;
std::condition_variable keysChanged;
std::deque<char> keys;

// Drawing thread: marks rect dirty and asks for one flush per burst.
void Touch(platform::Rect rect) {
  bool post = false;
  {
    std::lock_guard lock(drawing);
    if (dirty.empty()) {
      dirty = rect;
    } else {
      dirty.left = std::min(dirty.left, rect.left);
      dirty.top = std::min(dirty.top, rect.top);
      dirty.right = std::max(dirty.right, rect.right);
      dirty.bottom = std::max(dirty.bottom, rect.bottom);
    }
    post = !flushPending;
    flushPending = true;
  }
  if (post) {
    platform::PostMessage(window, kFlushMessage, 0, 0);
  }
}

void SetPixel(int x, int y, std::uint32_t rgb) {
  {
    std::lock_guard lock(drawing);
    image.bits[y * image.stride + x] = rgb;
  }
  Touch(platform::Rect{x, y, x + 1, y + 1});
}

// Corners in four colours and a block in the middle, so that a screenshot can
// find the client area and its orientation.
void DrawPattern() {
  SetPixel(0, 0, 0x00FC5454);
  SetPixel(kWidth - 1, 0, 0x0054FC54);
  SetPixel(0, kHeight - 1, 0x005454FC);
  SetPixel(kWidth - 1, kHeight - 1, 0x00701C00);
  for (int y = 250; y < 350; ++y) {
    for (int x = 350; x < 450; ++x) {
      SetPixel(x, y, 0x00FCFC54);
    }
  }
}

void Clear() {
  {
    std::lock_guard lock(drawing);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        image.bits[y * image.stride + x] = 0;
      }
    }
  }
  Touch(platform::Rect{0, 0, kWidth, kHeight});
}

int Draw(platform::ThreadId windowThread) {
  DrawPattern();
  platform::SetWindowText(window, "Probe drawn");
  int exitCode = 0;
  for (;;) {
    std::unique_lock lock(keysLock);
    keysChanged.wait(lock, [] { return !keys.empty(); });
    const char key = keys.front();
    keys.pop_front();
    lock.unlock();
    if (key == 'c') {
      Clear();
    } else if (key == 'd') {
      DrawPattern();
    } else if (key == 13 || key == 27) {
      exitCode = key == 13 ? 0 : 7;
      break;
    }
  }
  platform::PostMessage(window, platform::WM_DESTROY, 0, 0);
  platform::PostThreadMessage(windowThread, platform::WM_QUIT, 0, 0);
  return exitCode;
}

void Flush(platform::Window target) {
  platform::Rect rect;
  {
    std::lock_guard lock(drawing);
    rect = dirty;
    dirty = platform::Rect{};
    flushPending = false;
    platform::CopyToStaging(target, rect);
  }
  platform::PresentStaging(target, rect);
}

platform::LRESULT Proc(platform::Window target, platform::UINT message, platform::WPARAM wParam,
                       platform::LPARAM lParam) {
  switch (message) {
    case platform::WM_CREATE: {
      std::lock_guard lock(drawing);
      image = platform::CreateSurfaces(target, kWidth, kHeight);
      return image.bits != nullptr ? 0 : -1;
    }
    case platform::WM_PAINT: {
      platform::Rect rect;
      if (!platform::GetUpdateRect(target, rect)) {
        return 0;
      }
      rect = platform::BeginPaint(target);
      {
        std::lock_guard lock(drawing);
        platform::CopyToStaging(target, rect);
      }
      platform::PresentStaging(target, rect);
      platform::EndPaint(target);
      painted = true;
      return 0;
    }
    case kFlushMessage:
      Flush(target);
      return 0;
    case platform::WM_CHAR: {
      std::lock_guard lock(keysLock);
      keys.push_back(static_cast<char>(wParam));
      keysChanged.notify_one();
      return 0;
    }
    case platform::WM_DESTROY: {
      std::lock_guard lock(drawing);
      platform::DestroySurfaces(target);
      image = platform::Image{};
      platform::PostQuitMessage(0);
      return 0;
    }
    default:
      return platform::DefWindowProc(target, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  if (!platform::RegisterWindowClass(&Proc)) {
    platform::MessageBox("Window registration failed", nullptr);
    return 1;
  }
  const int width = kWidth + 2 * platform::GetSystemMetrics(platform::SM_CXFRAME);
  const int height = kHeight + 2 * platform::GetSystemMetrics(platform::SM_CYFRAME) +
                     platform::GetSystemMetrics(platform::SM_CYCAPTION);
  window = platform::CreateGraphWindow("Window system probe", platform::WS_OVERLAPPEDWINDOW,
                                       platform::CW_USEDEFAULT, 0, width, height);
  if (window == 0) {
    platform::MessageBox("Window creation failed", nullptr);
    return 1;
  }
  platform::ShowWindow(window, platform::SW_SHOW);
  platform::UpdateWindow(window);
  if (!painted) {
    return 2;  // the first paint must come from UpdateWindow
  }
  const platform::ThreadId windowThread = platform::GetCurrentThreadId();
  int exitCode = 0;
  std::thread drawer([&] { exitCode = Draw(windowThread); });
  platform::Message message;
  while (platform::GetMessage(message) == 1) {
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
  drawer.join();
  platform::ReleaseThreadWindows();
  return exitCode;
}
