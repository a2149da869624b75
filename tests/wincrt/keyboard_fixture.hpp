#pragma once

#include <gtest/gtest.h>

#include <string>

#include "wincrt/wincrt.hpp"

// Each test starts with an empty queue and no modifier held.
class Keyboard : public testing::Test {
 protected:
  void SetUp() override {
    wincrt::ResetKeyQueue();
    wincrt::CtrlKey = false;
    wincrt::AltKey = false;
  }
  static void KeyDown(platform::WPARAM vk) { wincrt::MsgHandler(0, platform::WM_KEYDOWN, vk, 0); }
  static void KeyUp(platform::WPARAM vk) { wincrt::MsgHandler(0, platform::WM_KEYUP, vk, 0); }
  static void Char(platform::WPARAM c) { wincrt::MsgHandler(0, platform::WM_CHAR, c, 0); }
  // Alt without Ctrl, and F10, come as system keys on Windows and from the X11
  // backend; the window procedure gives them to the default handling.
  static void SysKeyDown(platform::WPARAM vk) {
    wincrt::MsgHandler(0, platform::WM_SYSKEYDOWN, vk, 0);
  }
  static void SysKeyUp(platform::WPARAM vk) { wincrt::MsgHandler(0, platform::WM_SYSKEYUP, vk, 0); }
  // Everything queued, read with ReadKey.
  static std::string Drain() {
    std::string s;
    while (wincrt::KeyPressed()) s += wincrt::ReadKey();
    return s;
  }
};

inline std::string Ext(char code) { return std::string(1, '\0') + code; }
