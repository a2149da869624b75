// The window thread's message loop and posting from other threads, over user32.
#include "win32_api.hpp"

namespace platform {

namespace {

// The last message retrieved on this thread, whole: TranslateMessage and
// DispatchMessage get back the time and cursor position it came with.
thread_local MSG lastMessage{};

MSG ToNative(const Message& message) {
  if (win32::FromHandle(lastMessage.hwnd) == message.window &&
      lastMessage.message == message.message && lastMessage.wParam == message.wParam &&
      lastMessage.lParam == message.lParam) {
    return lastMessage;
  }
  MSG native{};
  native.hwnd = win32::ToHandle(message.window);
  native.message = message.message;
  native.wParam = message.wParam;
  native.lParam = message.lParam;
  native.time = ::GetMessageTime();
  return native;
}

}  // namespace

int GetMessage(Message& message) {
  MSG native{};
  const BOOL result = ::GetMessageA(&native, nullptr, 0, 0);
  if (result == -1) {
    return -1;
  }
  lastMessage = native;
  message.window = win32::FromHandle(native.hwnd);
  message.message = native.message;
  message.wParam = native.wParam;
  message.lParam = native.lParam;
  return result != 0 ? 1 : 0;
}

void TranslateMessage(const Message& message) {
  const MSG native = ToNative(message);
  ::TranslateMessage(&native);
}

LRESULT DispatchMessage(const Message& message) {
  const MSG native = ToNative(message);
  return ::DispatchMessageA(&native);
}

LRESULT DefWindowProc(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcA(win32::ToHandle(window), message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool PostMessage(Window window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(win32::ToHandle(window), message, wParam, lParam) != 0;
}

bool PostThreadMessage(ThreadId thread, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostThreadMessageA(thread, message, wParam, lParam) != 0;
}

ThreadId GetCurrentThreadId() { return ::GetCurrentThreadId(); }

}  // namespace platform
