// Keyboard module: key messages of the graphics window become characters in
// a small queue that the program polls; Delay paces the frame loop.
#pragma once

#include <array>
#include <cstdint>

#include "platform/messages.hpp"

namespace wincrt {

inline constexpr int kKeyBufferSize = 32;

// Ring of queued characters, slots 1 to 32 (index 0 unused). One slot always
// stays free, so the queue holds at most 31 characters and is empty exactly
// when NextToRead equals NextFree.
extern std::array<char, kKeyBufferSize + 1> KeyBuffer;
extern std::int32_t NextToRead;
extern std::int32_t NextFree;

// Ctrl and Alt as last seen in key-down and key-up messages. Window thread only.
extern bool CtrlKey;
extern bool AltKey;

// Module initialisation, after the graphics module's: installs MsgHandler as
// the graphics window's character hook, empties the queue and adds MyExitProc
// to the exit chain.
void InitModule();
void MyExitProc();

// The character hook: WM_KEYDOWN, WM_KEYUP and WM_CHAR of the graphics window,
// and WM_KILLFOCUS, which lets go of the modifiers held.
// Window thread. Always 0.
platform::LRESULT MsgHandler(platform::Window window, platform::UINT message,
                             platform::WPARAM wParam, platform::LPARAM lParam);

// Appends one character; on overflow the oldest character leaves, together
// with its code when it is the #0 of an extended key. Window thread.
void AddChar(char c);
// Appends #0 and c; a reader never sees the #0 without its code. Window thread.
void AddExtChar(char c);
// index + 1, and 1 after 32.
void IncCyclic(std::int32_t& index);
// Empties the queue (both indices back to slot 1).
void ResetKeyQueue();

// True when a character is waiting; never waits. Program thread.
bool KeyPressed();
// Removes and returns the oldest character, polling every 10 ms while the
// queue is empty. Program thread.
char ReadKey();
// Sleeps ms milliseconds. Any thread.
void Delay(std::uint16_t ms);

}  // namespace wincrt
