// X events as window messages: Expose adds to the repaint region, the window
// manager's delete request becomes WM_CLOSE, keys become the key messages
// Windows would send for them.
#include <X11/XKBlib.h>

#include <bitset>

#include "platform/keys/key_translation.hpp"
#include "x11_backend.hpp"

namespace platform::x11 {

namespace {

std::bitset<256> KeysDown;  // by key code: a press of a key already down is a repeat

void AddToUpdate(const XExposeEvent& expose) {
  shared::Invalidate(TheWindow.id,
                     {expose.x, expose.y, expose.x + expose.width, expose.y + expose.height});
}

void OnClientMessage(const XClientMessageEvent& event) {
  if (event.message_type != TheAtoms.wmProtocols || event.format != 32) return;
  const Atom protocol = static_cast<Atom>(event.data.l[0]);
  if (protocol == TheAtoms.wmDeleteWindow) {
    PostMessage(TheWindow.id, WM_CLOSE, 0, 0);
  } else if (protocol == TheAtoms.netWmPing) {
    // The window manager checks that we still answer.
    XEvent reply;
    reply.xclient = event;
    reply.xclient.window = DefaultRootWindow(TheDisplay);
    XSendEvent(TheDisplay, reply.xclient.window, False,
               SubstructureNotifyMask | SubstructureRedirectMask, &reply);
  }
}

// Where auto-repeat cannot be made detectable, a repeat arrives as a release
// followed at once by a press of the same key with the same time stamp: drop
// the release, and the press counts as a repeat since the key stays down.
bool IsRepeatRelease(const XKeyEvent& release) {
  if (XEventsQueued(TheDisplay, QueuedAfterReading) == 0) return false;
  XEvent next;
  XPeekEvent(TheDisplay, &next);
  return next.type == KeyPress && next.xkey.window == release.window &&
         next.xkey.keycode == release.keycode && next.xkey.time == release.time;
}

void OnKey(XKeyEvent& event) {
  const bool press = event.type == KeyPress;
  if (!press && IsRepeatRelease(event)) return;
  char text[8];
  KeySym effective = 0;
  XLookupString(&event, text, sizeof text, &effective, nullptr);
  const KeySym base = XLookupKeysym(&event, 0);
  const auto symbol = static_cast<std::uint32_t>(effective);
  const keys::KeyMessages messages = keys::TranslateKey(
      {keys::NamingSymbol(static_cast<std::uint32_t>(base), symbol),
       keys::TextOfSymbol(symbol),
       press,
       {(event.state & ControlMask) != 0, (event.state & Mod1Mask) != 0, false}});
  const unsigned code = event.keycode & 0xFF;
  const bool wasDown = KeysDown.test(code);
  KeysDown.set(code, press);
  // lParam as Windows packs it: repeat count 1, scan code, Alt held, the
  // previous key state and the transition.
  LPARAM lParam = 1 | (static_cast<LPARAM>((event.keycode - 8) & 0xFF) << 16);
  if ((event.state & Mod1Mask) != 0 || messages.virtualKey == VK_MENU) lParam |= LPARAM{1} << 29;
  if (wasDown || !press) lParam |= LPARAM{1} << 30;
  if (!press) lParam |= LPARAM{1} << 31;
  shared::PostKeyMessage({TheWindow.id, messages.key, messages.virtualKey, lParam},
                         messages.charMessage, messages.character);
}

}  // namespace

void TranslatePendingEvents() {
  if (TheDisplay == nullptr) return;
  while (XPending(TheDisplay) > 0) {
    XEvent event;
    XNextEvent(TheDisplay, &event);
    if (event.type == MappingNotify) {
      XRefreshKeyboardMapping(&event.xmapping);
      continue;
    }
    if (TakeSurfaceEvent(event)) continue;
    if (TheWindow.id == 0 || event.xany.window != TheWindow.id) continue;
    switch (event.type) {
      case Expose:
        AddToUpdate(event.xexpose);
        break;
      case ClientMessage:
        OnClientMessage(event.xclient);
        break;
      case KeyPress:
      case KeyRelease:
        OnKey(event.xkey);
        break;
      case FocusOut:
        // Keys released elsewhere send no release here; focus moving to a
        // window inside ours is no loss.
        if (event.xfocus.detail == NotifyInferior) break;
        KeysDown.reset();
        PostMessage(TheWindow.id, WM_KILLFOCUS, 0, 0);
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == TheWindow.id) OnDestroyedFromOutside();
        break;
      default:
        break;
    }
  }
}

void ResetKeyState() { KeysDown.reset(); }

}  // namespace platform::x11
