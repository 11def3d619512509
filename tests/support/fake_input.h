// Input made through XTEST on a connection of its own, routed by the
// server as a user's would be.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <initializer_list>

namespace kiln::test {

class FakeInput {
public:
  // False without an X server.
  bool OpenInput() {
    if (!sender) sender = XOpenDisplay(nullptr);
    return sender != nullptr;
  }
  // Releases what is held and closes the connection.
  void CloseInput() {
    if (!sender) return;
    ReleaseEverything();
    XCloseDisplay(sender);
    sender = nullptr;
  }

  void MoveTo(int rootX, int rootY) {
    XTestFakeMotionEvent(sender, -1, rootX, rootY, CurrentTime);
    XSync(sender, False);
  }
  void Key(KeySym keysym, bool press) {
    XTestFakeKeyEvent(sender, XKeysymToKeycode(sender, keysym), press, CurrentTime);
    XSync(sender, False);
  }
  void Tap(KeySym keysym) {
    Key(keysym, true);
    Key(keysym, false);
  }
  // The key with the modifiers held around it.
  void Chord(std::initializer_list<KeySym> modifiers, KeySym keysym) {
    for (KeySym modifier : modifiers) Key(modifier, true);
    Tap(keysym);
    for (KeySym modifier : modifiers) Key(modifier, false);
  }
  void Button(unsigned button, bool press) {
    XTestFakeButtonEvent(sender, button, press, CurrentTime);
    XSync(sender, False);
  }
  void Click(int rootX, int rootY, unsigned button = 1) {
    MoveTo(rootX, rootY);
    Button(button, true);
    Button(button, false);
  }
  // Held modifiers and a key press sent to the window itself: for keys the
  // server keeps (its keymap makes Ctrl+Alt+F1 to F12 switch terminals).
  void ChordSent(std::initializer_list<KeySym> modifiers, KeySym keysym, Window window, unsigned state) {
    for (KeySym modifier : modifiers) Key(modifier, true);
    XEvent press{};
    press.xkey.type = KeyPress;
    press.xkey.window = window;
    press.xkey.root = DefaultRootWindow(sender);
    press.xkey.state = state;
    press.xkey.keycode = XKeysymToKeycode(sender, keysym);
    press.xkey.same_screen = True;
    XSendEvent(sender, window, True, KeyPressMask, &press);
    XSync(sender, False);
    for (KeySym modifier : modifiers) Key(modifier, false);
  }
  // No key or button left held for the next test.
  void ReleaseEverything() {
    for (KeySym key : {XK_Shift_L, XK_Control_L, XK_Alt_L}) Key(key, false);
    for (unsigned button = 1; button <= 3; ++button) Button(button, false);
  }

  Display *sender = nullptr;
};

}  // namespace kiln::test
