#include <mutex>

#include "wincrt/wincrt.hpp"

namespace wincrt {

std::array<char, kKeyBufferSize + 1> KeyBuffer{};
std::int32_t NextToRead = 1;
std::int32_t NextFree = 1;

namespace {
// The key lock: guards KeyBuffer, NextToRead and NextFree. Never held
// together with the drawing lock, nor while sleeping.
std::mutex KeyboardHandling;

void AddCharLocked(char c) {
  KeyBuffer[NextFree] = c;
  IncCyclic(NextFree);
  if (NextFree == NextToRead) {
    // Full: the newest character always enters, so the oldest one leaves,
    // and an extended key leaves whole.
    if (KeyBuffer[NextToRead] == '\0') IncCyclic(NextToRead);
    IncCyclic(NextToRead);
  }
}
}  // namespace

void IncCyclic(std::int32_t& index) { index = index == kKeyBufferSize ? 1 : index + 1; }

void AddChar(char c) {
  const std::lock_guard lock(KeyboardHandling);
  AddCharLocked(c);
}

void AddExtChar(char c) {
  const std::lock_guard lock(KeyboardHandling);
  AddCharLocked('\0');
  AddCharLocked(c);
}

bool KeyPressed() {
  const std::lock_guard lock(KeyboardHandling);
  return NextToRead != NextFree;
}

char ReadKey() {
  for (;;) {
    {
      const std::lock_guard lock(KeyboardHandling);
      if (NextToRead != NextFree) {
        const char c = KeyBuffer[NextToRead];
        IncCyclic(NextToRead);
        return c;
      }
    }
    Delay(10);
  }
}

void ResetKeyQueue() {
  const std::lock_guard lock(KeyboardHandling);
  NextToRead = 1;
  NextFree = 1;
}

}  // namespace wincrt
