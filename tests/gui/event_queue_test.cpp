// The event queue: the ring itself, and real X events sent to real windows
// on Xvfb (from a second connection), translated into records.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qevent.h>
#include <kiln/qxdisplay.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <X11/Xutil.h>

#include <map>
#include <string>
#include <vector>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

QWindow *Token(int n) { return reinterpret_cast<QWindow *>(static_cast<uintptr_t>(0x1000 + n)); }

TEST(EventRing, OrderPeekAndOverflow) {
  // The ring alone, without a display to wait on.
  Display *shared = QGetXDisplay();
  QSetXDisplay(nullptr);
  QEventFree();
  QEvent event;
  QEventPeek(&event);  // before any push: the queue makes itself
  EXPECT_EQ(event.type, 0);
  for (int i = 0; i < 1025; ++i) {
    QEvent pushed;
    pushed.type = QEVENT_EXPOSE;
    pushed.n = i;
    pushed.window = Token(i % 3);
    MessageCapture capture;
    std::string bell;
    QDebugCallback old = qout_set_callback([](const char *text) { std::fputs(text, stdout); });
    testing::internal::CaptureStdout();
    QEventPush(pushed);
    bell = testing::internal::GetCapturedStdout();
    qout_set_callback(old);
    EXPECT_EQ(bell, i < 1024 ? "" : "\a") << i;
  }
  EXPECT_EQ(QEventCount(), 1024);
  QEventRemoveWindow(Token(1));
  for (int i = 0; i < 1024; ++i) {
    ASSERT_TRUE(QEventGet(&event));
    EXPECT_EQ(event.n, i);
    EXPECT_EQ(event.type, i % 3 == 1 ? QEVENT_NONE : QEVENT_EXPOSE);
    EXPECT_EQ(event.window, i % 3 == 1 ? nullptr : Token(i % 3));
  }
  EXPECT_FALSE(QEventGet(&event));  // nothing left and no X to wait on
  QEventFree();
  QSetXDisplay(shared);
}

// The window manager's part, for windows made here: two real windows, one
// soft window inside the first.
class Targets : public QEventTargets {
public:
  std::map<Window, QWindow *> windows;
  QWindow *focus = nullptr, *capture = nullptr, *under = nullptr, *soft = nullptr;
  Window softParent = 0;
  QRect softRect;
  bool compress = false;

  QWindow *FindWindow(Window xwindow) override { return windows.count(xwindow) ? windows[xwindow] : nullptr; }
  QWindow *GetFocus() override { return focus; }
  QWindow *GetCapture() override { return capture; }
  QWindow *WindowAt(Window, int, int) override { return under; }
  bool IsSoft(QWindow *window) override { return window && window == soft; }
  QRect GetRect(QWindow *window) override { return window == soft ? softRect : QRect(); }
  bool CompressesMotion(QWindow *) override { return compress; }
  int GetSoftChildren(Window xwindow, QWindow **children, int capacity) override {
    if (xwindow != softParent || !soft || capacity < 1) return 0;
    children[0] = soft;
    return 1;
  }
};

class XEvents : public ::testing::Test {
protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    sender = XOpenDisplay(nullptr);
    if (!display || !sender) GTEST_SKIP() << "no X display (run under xvfb-run)";
    QSetXDisplay(display);
    QEventFree();
    QEventInit();
    for (int i = 0; i < 2; ++i) {
      windows[i] = XCreateSimpleWindow(display, DefaultRootWindow(display), 10 + 200 * i, 10, 150, 100, 0, 0, 0);
      XSelectInput(display, windows[i], ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                             ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                                             LeaveWindowMask | StructureNotifyMask);
      targets.windows[windows[i]] = Token(i);
    }
    XSync(display, False);
    QEventSetTargets(&targets);
  }
  void TearDown() override {
    QEventSetTargets(nullptr);
    QEventFree();
    QSetXDisplay(nullptr);
    if (sender) XCloseDisplay(sender);
    if (display) XCloseDisplay(display);
  }

  // Sends a key event through the second connection.
  void SendKey(int type, KeySym keysym, unsigned state, int x = 5, int y = 6) {
    XEvent event{};
    event.xkey.type = type;
    event.xkey.window = windows[0];
    event.xkey.root = DefaultRootWindow(sender);
    event.xkey.keycode = XKeysymToKeycode(sender, keysym);
    event.xkey.state = state;
    event.xkey.x = x;
    event.xkey.y = y;
    event.xkey.x_root = x + 10;
    event.xkey.y_root = y + 10;
    event.xkey.same_screen = True;
    Send(event, type == KeyPress ? KeyPressMask : KeyReleaseMask);
  }
  void SendButton(int type, unsigned button, Time time, int x = 20, int y = 30) {
    XEvent event{};
    event.xbutton.type = type;
    event.xbutton.window = windows[0];
    event.xbutton.button = button;
    event.xbutton.time = time;
    event.xbutton.x = x;
    event.xbutton.y = y;
    event.xbutton.x_root = x + 10;
    event.xbutton.y_root = y + 10;
    event.xbutton.same_screen = True;
    Send(event, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask);
  }
  void SendMotion(int x, int y) {
    XEvent event{};
    event.xmotion.type = MotionNotify;
    event.xmotion.window = windows[0];
    event.xmotion.x = x;
    event.xmotion.y = y;
    event.xmotion.x_root = x + 10;
    event.xmotion.y_root = y + 10;
    event.xmotion.same_screen = True;
    Send(event, PointerMotionMask);
  }
  void Send(XEvent &event, long mask) {
    XSendEvent(sender, event.xany.window, False, mask, &event);
    XSync(sender, False);
  }
  std::vector<QEvent> Drain() {
    std::vector<QEvent> events;
    XSync(display, False);
    QEventPending();
    QEvent event;
    while (QEventCount() > 0 && QEventGet(&event)) events.push_back(event);
    return events;
  }
  std::vector<int> Codes(const std::vector<QEvent> &events, int type) {
    std::vector<int> codes;
    for (const QEvent &event : events) {
      if (event.type == type) codes.push_back(event.n);
    }
    return codes;
  }

  Display *display = nullptr, *sender = nullptr;
  Window windows[2] = {};
  Targets targets;
};

TEST_F(XEvents, KeysWithModifiersAndDeadKeys) {
  targets.focus = Token(0);
  SendKey(KeyPress, XK_e, 0);
  SendKey(KeyPress, XK_e, ShiftMask);
  SendKey(KeyRelease, XK_e, ControlMask);
  SendKey(KeyPress, XK_apostrophe, Mod1Mask);  // acute
  SendKey(KeyPress, XK_e, 0);
  SendKey(KeyPress, XK_apostrophe, Mod1Mask);
  SendKey(KeyPress, XK_Shift_L, ShiftMask);  // a modifier keeps the accent
  SendKey(KeyPress, XK_e, ShiftMask);
  SendKey(KeyPress, XK_apostrophe, Mod1Mask);
  SendKey(KeyPress, XK_x, 0);  // no accent for x: x, and the state resets
  SendKey(KeyPress, XK_e, 0);
  std::vector<QEvent> events = Drain();
  EXPECT_EQ(Codes(events, QEVENT_KEYPRESS),
            (std::vector<int>{'e', 'e' | QK_SHIFT, 0x80027, 201, 0x80027, 0xFFE1 | QK_SHIFT, 201 | QK_SHIFT, 0x80027,
                              'x', 'e'}));
  EXPECT_EQ(Codes(events, QEVENT_KEYRELEASE), (std::vector<int>{'e' | QK_CONTROL}));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].window, Token(0));
  EXPECT_EQ(events[0].x, 5);
  EXPECT_EQ(events[0].rootY, 16);
}

TEST_F(XEvents, DoubleClicksWithinSixHundredMilliseconds) {
  targets.under = Token(0);
  SendButton(ButtonPress, 1, 1000);
  SendButton(ButtonPress, 1, 1599);  // 599 ms: a double click
  SendButton(ButtonPress, 1, 2199);  // 600 ms after that: not
  SendButton(ButtonPress, 3, 2300);  // another button: not
  SendButton(ButtonRelease, 3, 2310);
  std::vector<int> types;
  for (const QEvent &event : Drain()) types.push_back(event.type);
  EXPECT_EQ(types, (std::vector<int>{QEVENT_BUTTONPRESS, QEVENT_BUTTONPRESS, QEVENT_DBLCLICK, QEVENT_BUTTONPRESS,
                                     QEVENT_BUTTONPRESS, QEVENT_BUTTONRELEASE}));
}

TEST_F(XEvents, MotionIsCompressedPerWindowAndForgetsPresses) {
  targets.under = Token(0);
  targets.compress = true;
  SendMotion(1, 2);
  SendMotion(3, 4);
  SendButton(ButtonPress, 1, 5000);
  SendMotion(5, 6);  // compressed into the first, and the press is forgotten
  SendButton(ButtonPress, 1, 5100);
  std::vector<QEvent> events = Drain();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].type, QEVENT_MOTIONNOTIFY);
  EXPECT_EQ(events[0].x, 5);
  EXPECT_EQ(events[0].y, 6);
  EXPECT_EQ(events[1].type, QEVENT_BUTTONPRESS);
  EXPECT_EQ(events[2].type, QEVENT_BUTTONPRESS);  // no double click
}

TEST_F(XEvents, SoftWindowsGetRelativeCoordinatesAndTheirExposes) {
  targets.soft = Token(7);
  targets.softParent = windows[0];
  targets.softRect.Set(10, 20, 50, 40);
  targets.capture = Token(7);
  SendButton(ButtonPress, 2, 100, 30, 35);
  XMapWindow(display, windows[0]);  // brings a real Expose
  XSync(display, False);
  std::vector<QEvent> events = Drain();
  bool sawButton = false, sawSoft = false, sawReal = false;
  for (const QEvent &event : events) {
    if (event.type == QEVENT_BUTTONPRESS) {
      sawButton = true;
      EXPECT_EQ(event.window, Token(7));
      EXPECT_EQ(event.x, 20);
      EXPECT_EQ(event.y, 15);
      EXPECT_EQ(event.n, 2);
    }
    if (event.type == QEVENT_EXPOSE && event.window == Token(7)) {
      sawSoft = true;
      EXPECT_TRUE(sawReal) << "the window paints its background before the soft windows in it";
      EXPECT_EQ(event.x, 10);
      EXPECT_EQ(event.width, 50);
      EXPECT_EQ(event.n, 0);
    }
    if (event.type == QEVENT_EXPOSE && event.window == Token(0)) sawReal = true;
  }
  EXPECT_TRUE(sawButton);
  EXPECT_TRUE(sawSoft);
  EXPECT_TRUE(sawReal);
}

TEST_F(XEvents, ConfigureEnterAndLeave) {
  XEvent event{};
  event.xconfigure.type = ConfigureNotify;
  event.xconfigure.window = windows[1];
  event.xconfigure.event = windows[1];
  event.xconfigure.x = 7;
  event.xconfigure.y = 8;
  event.xconfigure.width = 300;
  event.xconfigure.height = 200;
  Send(event, StructureNotifyMask);
  XEvent crossing{};
  crossing.xcrossing.type = EnterNotify;
  crossing.xcrossing.window = windows[1];
  crossing.xcrossing.time = 4242;
  Send(crossing, EnterWindowMask);
  crossing.xcrossing.type = LeaveNotify;
  Send(crossing, LeaveWindowMask);
  std::vector<QEvent> events = Drain();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].type, QEVENT_RESIZE);
  EXPECT_EQ(events[0].width, 300);
  EXPECT_EQ(events[0].window, Token(1));
  EXPECT_EQ(events[1].type, QEVENT_ENTER);
  EXPECT_EQ(events[1].n, 4242);
  EXPECT_EQ(events[2].type, QEVENT_LEAVE);
  EXPECT_EQ(events[2].n, 0);
}

// Real input through the XTEST extension: the server itself delivers the
// key to the focused window and the button to the window under the pointer.
TEST_F(XEvents, RealInputFromTheServer) {
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(sender, &eventBase, &errorBase, &major, &minor)) GTEST_SKIP() << "no XTEST";
  XMapWindow(display, windows[1]);
  XSync(display, False);
  XSetInputFocus(display, windows[1], RevertToParent, CurrentTime);
  XSync(display, False);
  targets.focus = Token(1);
  targets.under = Token(1);
  XTestFakeMotionEvent(sender, DefaultScreen(sender), 250, 50, CurrentTime);
  XTestFakeKeyEvent(sender, XKeysymToKeycode(sender, XK_q), True, CurrentTime);
  XTestFakeKeyEvent(sender, XKeysymToKeycode(sender, XK_q), False, CurrentTime);
  XTestFakeButtonEvent(sender, 1, True, CurrentTime);
  XTestFakeButtonEvent(sender, 1, False, CurrentTime);
  XSync(sender, False);
  std::vector<QEvent> events = Drain();
  EXPECT_EQ(Codes(events, QEVENT_KEYPRESS), std::vector<int>{'q'});
  EXPECT_EQ(Codes(events, QEVENT_KEYRELEASE), std::vector<int>{'q'});
  EXPECT_EQ(Codes(events, QEVENT_BUTTONPRESS), std::vector<int>{1});
  for (const QEvent &event : events) {
    if (event.type != QEVENT_BUTTONPRESS) continue;
    EXPECT_EQ(event.window, Token(1));
    EXPECT_EQ(event.x, 40);  // the window starts at (210, 10)
    EXPECT_EQ(event.y, 40);
    EXPECT_EQ(event.rootX, 250);
    EXPECT_EQ(event.rootY, 50);
  }
}

// Focus changes reach windows through the window manager, not from X: the
// queue drops X's own focus events.
TEST_F(XEvents, XFocusEventsAreNotTranslated) {
  XEvent event{};
  event.xfocus.type = FocusIn;
  event.xfocus.window = windows[0];
  event.xfocus.mode = NotifyNormal;
  event.xfocus.detail = NotifyAncestor;
  QEventTranslate(event);
  event.xfocus.type = FocusOut;
  QEventTranslate(event);
  EXPECT_EQ(QEventCount(), 0);
  QEvent focus;
  focus.type = QEVENT_FOCUSIN;
  focus.window = Token(0);
  QEventPush(focus);
  QEvent peeked;
  QEventPeek(&peeked);
  EXPECT_EQ(peeked.type, QEVENT_FOCUSIN);
  EXPECT_EQ(peeked.window, Token(0));
  EXPECT_EQ(QEventCount(), 1);
}

}  // namespace

namespace {

// A program that falls behind its input takes every event later, in order:
// the ring takes from X only what it has room for (a release dropped would
// leave a button held for ever).
TEST_F(XEvents, AProgramBehindItsInputLosesNone) {
  targets.focus = Token(0);
  const KeySym keys[] = {XK_a, XK_b, XK_c, XK_d, XK_e};
  for (int i = 0; i < 3000; ++i) SendKey(i % 2 ? KeyRelease : KeyPress, keys[i / 2 % 5], 0);
  XSync(display, False);
  testing::internal::CaptureStdout();
  std::vector<int> codes;
  QEvent event;
  while (QEventPending() && QEventGet(&event)) codes.push_back(event.type == QEVENT_KEYPRESS ? event.n : -event.n);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // no bell
  ASSERT_EQ(codes.size(), 3000u);
  for (int i = 0; i < 3000; ++i) {
    const int key = static_cast<int>(keys[i / 2 % 5]);
    EXPECT_EQ(codes[static_cast<std::size_t>(i)], i % 2 ? -key : key) << i;
  }
}

}  // namespace
