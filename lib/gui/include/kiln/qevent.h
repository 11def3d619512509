/// \file
/// The global event queue: X events translated into QEvent records (with
/// dead-key composition, double clicks and motion compression) and events
/// that windows queue themselves, handed out one at a time.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include <kiln/qrect.h>

class QWindow;

/// The types of event.
enum QEventType {
  QEVENT_NONE = 1,  ///< an event of a destroyed window
  QEVENT_KEYPRESS = 2,
  QEVENT_KEYRELEASE = 3,
  QEVENT_BUTTONPRESS = 4,
  QEVENT_BUTTONRELEASE = 5,
  QEVENT_MOTIONNOTIFY = 6,
  QEVENT_ENTER = 7,
  QEVENT_LEAVE = 8,
  QEVENT_EXPOSE = 12,
  QEVENT_RESIZE = 22,
  QEVENT_DBLCLICK = 50,
  QEVENT_CLICK = 100,
  QEVENT_FOCUSIN = 102,
  QEVENT_FOCUSOUT = 103,
  QEVENT_CLOSE = 105
};

/// Key codes: the keysym in the low 16 bits, the modifiers above.
enum QKeyModifiers { QK_SHIFT = 0x10000, QK_CONTROL = 0x40000, QK_ALT = 0x80000 };
/// The marker of a key press that a button produced.
constexpr int32_t QEVENT_BUTTON_KEY_MARKER = 0x676256;

/// One event, as the queue hands it out.
struct QEvent {
  int32_t type = 0;           ///< QEventType
  int32_t x = 0;              ///< relative to the target (key, button, motion)
  int32_t y = 0;              ///< likewise
  int32_t width = 0;          ///< expose, configure
  int32_t height = 0;         ///< expose, configure
  int32_t n = 0;              ///< key code, button, enter time, expose count
  int32_t rootX = 0;          ///< on the screen
  int32_t rootY = 0;          ///< on the screen
  int32_t marker = 0;         ///< QEVENT_BUTTON_KEY_MARKER for a button's key press
  QWindow *window = nullptr;  ///< the target
};

/// What the event queue needs of the window manager: which window an event
/// goes to. The window manager registers itself; until then events keep the
/// coordinates X gives and have no target.
class QEventTargets {
public:
  virtual ~QEventTargets() = default;
  /// The window registered for an X window, or null.
  virtual QWindow *FindWindow(Window xwindow) = 0;
  /// The window with the keyboard focus, or null.
  virtual QWindow *GetFocus() = 0;
  /// The window capturing the pointer, or null.
  virtual QWindow *GetCapture() = 0;
  /// The window under the pointer, by the X window the event came in and
  /// the coordinates in it; or null.
  virtual QWindow *WindowAt(Window xwindow, int x, int y) = 0;
  /// A window drawn inside a real X window rather than being one.
  virtual bool IsSoft(QWindow *window) = 0;
  /// Where the window lies in its real X window.
  virtual QRect GetRect(QWindow *window) = 0;
  /// Whether queued motion of the window is merged into one event.
  virtual bool CompressesMotion(QWindow *window) = 0;
  /// The soft windows whose nearest real ancestor is the X window, in order.
  virtual int GetSoftChildren(Window xwindow, QWindow **children, int capacity) = 0;
};

/// Registers the window manager (not owned); null takes it away.
void QEventSetTargets(QEventTargets *targets);

/// Makes the queue (a ring of 1024 events) unless it is there.
void QEventInit();
/// Queues an event; a motion of a window that compresses motion updates one
/// already queued instead.
void QEventPush(const QEvent &event);
/// Drains the X connection into the queue, as far as the queue has room (the
/// rest waits, in order, in Xlib's own); true when an event is waiting.
bool QEventPending();
/// The next event, waiting for X when the queue is empty; false (and type 0)
/// when there is neither an event nor an X connection to wait on.
bool QEventGet(QEvent *event);
/// The next event without taking it; type 0 when there is none.
void QEventPeek(QEvent *event);
/// Turns the queued events of the window into QEVENT_NONE.
void QEventRemoveWindow(QWindow *window);
/// Frees the queue and what it held.
void QEventFree();
/// The number of events queued.
int QEventCount();

/// Translates one X event and queues the result (if it gives one).
void QEventTranslate(const XEvent &xevent);
