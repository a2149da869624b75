// The seat's keyboard as key messages: the compositor's keymap through
// xkbcommon, each key's symbols and the text it types into the shared key
// translation, and the key repeat the compositor leaves to its clients, at
// its rate and delay, for the keys the keymap says repeat.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon.h>

#include <bitset>
#include <chrono>
#include <cstring>

#include "platform/keys/key_translation.hpp"
#include "wayland_backend.hpp"

namespace platform::wayland {

namespace {

using Clock = std::chrono::steady_clock;

wl_keyboard* Keyboard = nullptr;
xkb_context* Context = nullptr;
xkb_keymap* Keymap = nullptr;
xkb_state* State = nullptr;

// Evdev key codes; xkbcommon's are 8 higher, as X11's are.
constexpr std::uint32_t kXkbOffset = 8;
std::bitset<256> KeysDown;  // by evdev code below 256: a press of a key already down is a repeat

struct Repeat {
  std::uint32_t key = 0;  // evdev code; 0: none repeats
  Clock::time_point next;
};
Repeat Repeating;
// The compositor's word; until it speaks, what desktops commonly use.
int RepeatPerSecond = 25;
int RepeatDelayMs = 600;

void DropKeymap() {
  if (State != nullptr) xkb_state_unref(State);
  if (Keymap != nullptr) xkb_keymap_unref(Keymap);
  State = nullptr;
  Keymap = nullptr;
}

// Queues one key message, packed as the X11 window system packs the same key.
void SendKey(std::uint32_t key, bool press) {
  if (State == nullptr || TheWindow.id == 0) return;
  const xkb_keycode_t code = key + kXkbOffset;
  const xkb_keysym_t effective = xkb_state_key_get_one_sym(State, code);
  // The key's first symbol of the first layout, as Xlib's index 0.
  const xkb_keysym_t* syms = nullptr;
  const int count = xkb_keymap_key_get_syms_by_level(Keymap, code, 0, 0, &syms);
  const xkb_keysym_t base = count > 0 ? syms[0] : effective;
  const bool ctrl =
      xkb_state_mod_name_is_active(State, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
  const bool alt =
      xkb_state_mod_name_is_active(State, XKB_MOD_NAME_ALT, XKB_STATE_MODS_EFFECTIVE) > 0;
  const keys::KeyMessages messages = keys::TranslateKey({keys::NamingSymbol(base, effective),
                                                         keys::TextOfSymbol(effective),
                                                         press,
                                                         {ctrl, alt, false}});
  const bool wasDown = key < KeysDown.size() && KeysDown.test(key);
  if (key < KeysDown.size()) KeysDown.set(key, press);
  // lParam as Windows packs it: repeat count 1, scan code, Alt held, the
  // previous key state and the transition.
  LPARAM lParam = 1 | (static_cast<LPARAM>(key & 0xFF) << 16);
  if (alt || messages.virtualKey == VK_MENU) lParam |= LPARAM{1} << 29;
  if (wasDown || !press) lParam |= LPARAM{1} << 30;
  if (!press) lParam |= LPARAM{1} << 31;
  shared::PostKeyMessage({TheWindow.id, messages.key, messages.virtualKey, lParam},
                         messages.charMessage, messages.character);
}

void OnKeymap(void*, wl_keyboard*, std::uint32_t format, int32_t fd, std::uint32_t size) {
  // A keymap that cannot be read or compiled leaves the keys without one:
  // they type nothing, and the program goes on.
  DropKeymap();
  // A size beyond the file's end would fault on reading the mapping.
  struct stat file {};
  if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 && size > 0 && fstat(fd, &file) == 0 &&
      file.st_size >= static_cast<off_t>(size)) {
    void* text = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (text != MAP_FAILED) {
      if (Context == nullptr) Context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
      if (Context != nullptr) {
        Keymap = xkb_keymap_new_from_buffer(Context, static_cast<const char*>(text),
                                            strnlen(static_cast<const char*>(text), size),
                                            XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
      }
      munmap(text, size);
    }
    if (Keymap != nullptr) State = xkb_state_new(Keymap);
  }
  close(fd);
}

void OnEnter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {
  // Keys already down when the window gets the keyboard send nothing.
}

void OnLeave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {
  // Keys released elsewhere send no release here.
  KeysDown.reset();
  Repeating = {};
}

void OnKey(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t key,
           std::uint32_t pressed) {
  const bool press = pressed == WL_KEYBOARD_KEY_STATE_PRESSED;
  SendKey(key, press);
  if (press && Keymap != nullptr && RepeatPerSecond > 0 &&
      xkb_keymap_key_repeats(Keymap, key + kXkbOffset) != 0) {
    Repeating = {key, Clock::now() + std::chrono::milliseconds(RepeatDelayMs)};
  } else if (!press && Repeating.key == key) {
    Repeating = {};
  }
}

void OnModifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t depressed, std::uint32_t latched,
                 std::uint32_t locked, std::uint32_t group) {
  if (State != nullptr) xkb_state_update_mask(State, depressed, latched, locked, 0, 0, group);
}

void OnRepeatInfo(void*, wl_keyboard*, int32_t rate, int32_t delay) {
  // A rate of 0 turns repeating off.
  RepeatPerSecond = rate > 0 ? std::min(rate, 1000) : 0;
  RepeatDelayMs = delay > 0 ? delay : 0;
  if (RepeatPerSecond == 0) Repeating = {};
}

const wl_keyboard_listener KeyboardListener = {OnKeymap, OnEnter,     OnLeave,
                                               OnKey,    OnModifiers, OnRepeatInfo};

void OnCapabilities(void*, wl_seat* seat, std::uint32_t capabilities) {
  const bool has = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  if (has && Keyboard == nullptr) {
    Keyboard = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(Keyboard, &KeyboardListener, nullptr);
  } else if (!has && Keyboard != nullptr) {
    ReleaseKeyboard();
  }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener SeatListener = {OnCapabilities, OnSeatName};

}  // namespace

void ListenToSeat(wl_seat* seat) { wl_seat_add_listener(seat, &SeatListener, nullptr); }

void ReleaseKeyboard() {
  if (Keyboard != nullptr) {
    if (wl_keyboard_get_version(Keyboard) >= WL_KEYBOARD_RELEASE_SINCE_VERSION) {
      wl_keyboard_release(Keyboard);
    } else {
      wl_keyboard_destroy(Keyboard);
    }
  }
  Keyboard = nullptr;
  DropKeymap();
  ResetKeyState();
}

int MillisecondsToRepeat() {
  if (Repeating.key == 0) return -1;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(Repeating.next - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

void RepeatDueKeys() {
  if (Repeating.key == 0 || RepeatPerSecond == 0) return;
  const Clock::time_point now = Clock::now();
  const auto interval = std::chrono::microseconds(1'000'000 / RepeatPerSecond);
  // A thread kept from running does not make up for lost repeats at once.
  int due = 0;
  while (Repeating.next <= now && due < 4) {
    SendKey(Repeating.key, true);
    Repeating.next += interval;
    ++due;
  }
  if (Repeating.next <= now) Repeating.next = now + interval;
}

void ResetKeyState() {
  KeysDown.reset();
  Repeating = {};
}

}  // namespace platform::wayland
