// The event ring, and the translation of X events into it.
#include <kiln/qevent.h>

#include <kiln/qdebug.h>
#include <kiln/qexit.h>
#include <kiln/qxdisplay.h>

#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kCapacity = 1024;  // a power of two: indices wrap by masking
constexpr int kMask = kCapacity - 1;
constexpr Time kDoubleClickTime = 600;
constexpr int kMaxSoftChildren = 1000;  // as many as the window manager holds

QEvent *ring = nullptr;
int head = 0, tail = 0, count = 0;
QEventTargets *targets = nullptr;
int composition = 0;
bool pressRemembered = false;
Time lastPressTime = 0;
int lastPressButton = 0;

void Bell() { qout("%c", 7); }

bool Append(const QEvent &event) {
  if (count == kCapacity) {
    Bell();
    return false;
  }
  ring[tail] = event;
  tail = (tail + 1) & kMask;
  ++count;
  return true;
}

// Latin-1 letters by accent (rows) for a, e, i, o, u, y, n, c.
const int kComposed[9][8] = {
    {0, 0, 0, 0, 0, 0, 0, 0},
    {196, 203, 207, 214, 220, 0, 0, 0},  // diaeresis
    {192, 200, 204, 210, 217, 0, 0, 0},  // grave
    {193, 201, 205, 211, 218, 221, 0, 0},  // acute
    {194, 202, 206, 212, 219, 0, 0, 0},  // circumflex
    {195, 0, 0, 213, 0, 0, 209, 0},      // tilde
    {197, 0, 0, 0, 0, 0, 0, 0},          // ring
    {0, 0, 0, 0, 0, 0, 0, 199},          // cedilla
    {0, 0, 0, 216, 0, 0, 0, 0},          // stroke
};

int Compose(int code) {
  switch (code) {
    case 0x8003B: composition = 1; return code;
    case 0x80060: composition = 2; return code;
    case 0x80027: composition = 3; return code;
    case 0x90036: composition = 4; return code;
    case 0x90060: composition = 5; return code;
    case 0x8002E: composition = 6; return code;
    case 0x8002C: composition = 7; return code;
    case 0x8002F: composition = 8; return code;
    default: break;
  }
  const int key = code & 0xFFFF;
  if ((key >= 0xFFE1 && key <= 0xFFE4) || key == 0xFFE9 || key == 0xFFEA) return code;  // modifiers
  const int state = composition;
  composition = 0;
  if (!state) return code;
  static const char kLetters[] = "aeiouync";
  const char *letter = key < 0x80 ? std::strchr(kLetters, key) : nullptr;
  if (!letter || !*letter) return code;
  const int composed = kComposed[state][letter - kLetters];
  return composed ? (code & 0x7FFF0000) | composed : code;
}

void MakeRelative(QEvent &event, QWindow *window) {
  if (!targets || !window) return;
  QRect rect = targets->GetRect(window);
  event.x -= rect.x;
  event.y -= rect.y;
}

}  // namespace

void QEventSetTargets(QEventTargets *newTargets) { targets = newTargets; }

void QEventInit() {
  if (ring) return;
  ring = static_cast<QEvent *>(std::calloc(kCapacity, sizeof(QEvent)));
  if (!ring) {
    qerr("No memory for Q event buffer\n");
    qexit(1);
  }
  head = tail = count = 0;
}

void QEventFree() {
  std::free(ring);
  ring = nullptr;
  head = tail = count = 0;
}

int QEventCount() { return count; }

void QEventPush(const QEvent &event) {
  QEventInit();
  if (event.type == QEVENT_MOTIONNOTIFY && event.window && targets && targets->CompressesMotion(event.window)) {
    for (int i = 0, at = head; i < count; ++i, at = (at + 1) & kMask) {
      if (ring[at].type == QEVENT_MOTIONNOTIFY && ring[at].window == event.window) {
        ring[at].x = event.x;
        ring[at].y = event.y;
        return;
      }
    }
  }
  Append(event);
}

void QEventPeek(QEvent *event) {
  QEventInit();
  if (count == 0) {
    event->type = 0;
    return;
  }
  *event = ring[head];
}

void QEventRemoveWindow(QWindow *window) {
  if (!ring) return;
  for (int i = 0, at = head; i < count; ++i, at = (at + 1) & kMask) {
    if (ring[at].window == window) {
      ring[at].type = QEVENT_NONE;
      ring[at].window = nullptr;
    }
  }
}

void QEventTranslate(const XEvent &xevent) {
  QEventInit();
  QEvent event;
  switch (xevent.type) {
    case KeyPress:
    case KeyRelease: {
      XKeyEvent key = xevent.xkey;
      int code = static_cast<int>(XLookupKeysym(&key, 0) & 0xFFFF) | static_cast<int>(key.state << 16);
      event.type = xevent.type == KeyPress ? QEVENT_KEYPRESS : QEVENT_KEYRELEASE;
      event.n = xevent.type == KeyPress ? Compose(code) : code;
      event.x = key.x;
      event.y = key.y;
      event.rootX = key.x_root;
      event.rootY = key.y_root;
      if (targets) {
        QWindow *target = targets->GetFocus();
        if (!target) target = targets->WindowAt(key.window, key.x, key.y);
        event.window = target;
        MakeRelative(event, target);
      }
      QEventPush(event);
      return;
    }
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify: {
      const bool motion = xevent.type == MotionNotify;
      event.type = motion ? QEVENT_MOTIONNOTIFY : xevent.type == ButtonPress ? QEVENT_BUTTONPRESS : QEVENT_BUTTONRELEASE;
      event.x = motion ? xevent.xmotion.x : xevent.xbutton.x;
      event.y = motion ? xevent.xmotion.y : xevent.xbutton.y;
      event.rootX = motion ? xevent.xmotion.x_root : xevent.xbutton.x_root;
      event.rootY = motion ? xevent.xmotion.y_root : xevent.xbutton.y_root;
      if (!motion) event.n = static_cast<int32_t>(xevent.xbutton.button);
      if (targets) {
        QWindow *target = targets->GetCapture();
        const Window under = motion ? xevent.xmotion.window : xevent.xbutton.window;
        if (!target) target = targets->WindowAt(under, event.x, event.y);
        event.window = target;
        if (target && targets->IsSoft(target)) MakeRelative(event, target);
      }
      QEventPush(event);
      if (motion) {
        pressRemembered = false;
      } else if (xevent.type == ButtonPress) {
        const Time time = xevent.xbutton.time;
        if (pressRemembered && lastPressButton == event.n && time - lastPressTime < kDoubleClickTime) {
          QEvent twice = event;
          twice.type = QEVENT_DBLCLICK;
          QEventPush(twice);
        }
        pressRemembered = true;
        lastPressTime = time;
        lastPressButton = event.n;
      }
      return;
    }
    case EnterNotify:
    case LeaveNotify:
      event.type = xevent.type == EnterNotify ? QEVENT_ENTER : QEVENT_LEAVE;
      event.n = xevent.type == EnterNotify ? static_cast<int32_t>(xevent.xcrossing.time) : 0;
      event.x = xevent.xcrossing.x;
      event.y = xevent.xcrossing.y;
      if (targets) event.window = targets->FindWindow(xevent.xcrossing.window);
      QEventPush(event);
      return;
    case Expose: {
      const XExposeEvent &expose = xevent.xexpose;
      QWindow *target = targets ? targets->FindWindow(expose.window) : nullptr;
      if (!target) return;
      event.type = QEVENT_EXPOSE;
      event.x = expose.x;
      event.y = expose.y;
      event.width = expose.width;
      event.height = expose.height;
      event.n = expose.count;
      event.window = target;
      // The window paints its background first, then the soft windows in
      // it from the bottom of the stack up, each over what lies below it.
      QEventPush(event);
      QRect exposed;
      exposed.Set(expose.x, expose.y, expose.width, expose.height);
      QWindow *children[kMaxSoftChildren];
      const int found = targets->GetSoftChildren(expose.window, children, kMaxSoftChildren);
      for (int i = std::min(found, kMaxSoftChildren) - 1; i >= 0; --i) {
        QRect area = targets->GetRect(children[i]);
        area.Clip(exposed);
        if (area.IsEmpty()) continue;
        QEvent child;
        child.type = QEVENT_EXPOSE;
        child.x = area.x;
        child.y = area.y;
        child.width = area.width;
        child.height = area.height;
        child.window = children[i];
        QEventPush(child);
      }
      return;
    }
    case ConfigureNotify:
      event.type = QEVENT_RESIZE;
      event.x = xevent.xconfigure.x;
      event.y = xevent.xconfigure.y;
      event.width = xevent.xconfigure.width;
      event.height = xevent.xconfigure.height;
      if (targets) event.window = targets->FindWindow(xevent.xconfigure.window);
      QEventPush(event);
      return;
    default:
      return;
  }
}

namespace {

// Room kept for what one X event becomes (an expose fans out to the soft
// windows it touches, a press may add a double click).
constexpr int kRoomPerXEvent = 64;

// Translates the next `waiting` events Xlib holds, as many as the ring has
// room for: the rest wait in Xlib's queue, in order, rather than being
// dropped when a busy program falls behind its input (a release dropped
// leaves a button held for ever).
void TakeFromXlib(Display *display, int waiting) {
  for (; waiting > 0 && count <= kCapacity - kRoomPerXEvent; --waiting) {
    XEvent xevent;
    XNextEvent(display, &xevent);
    QEventTranslate(xevent);
  }
}

}  // namespace

bool QEventPending() {
  QEventInit();
  Display *display = QGetXDisplay();
  if (!display) return count > 0;
  // What Xlib has read already costs no system call. The connection is
  // flushed and read, once, only when nothing at all is waiting.
  TakeFromXlib(display, XEventsQueued(display, QueuedAlready));
  if (count == 0) TakeFromXlib(display, XPending(display));
  return count > 0;
}

bool QEventGet(QEvent *event) {
  QEventInit();
  // Drains X only while the queue is empty, polling until something arrives.
  while (count == 0 && !QEventPending()) {
    if (!QGetXDisplay()) {
      static bool told = false;
      if (!told) QRequireXDisplay("QEventGet()");
      told = true;
      event->type = 0;
      return false;
    }
    usleep(1000);
  }
  *event = ring[head];
  head = (head + 1) & kMask;
  --count;
  return true;
}
