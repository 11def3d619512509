/// \file
/// QWindowManager, every window of the program.
#pragma once

#include <memory>
#include <unordered_set>

#include <kiln/qcolor.h>
#include <kiln/qevent.h>
#include <kiln/qobject.h>

class QImage;
class QWindow;
namespace kiln::gui {
class WindowHitGrid;
}

/// Every window of the program, in stacking order (slot 0 the newest, on
/// top): finds the window under the pointer, holds the keyboard focus and
/// the mouse capture, cycles the focus with Tab, paints backgrounds and
/// dispatches events. It is what the event queue asks for targets.
class QWindowManager : public QObject, public QEventTargets {
public:
  /// The most windows registered at once.
  static constexpr int kMaxWindows = 1000;

  /// Becomes the event queue's source of targets.
  QWindowManager();
  ~QWindowManager() override;

  const char *ClassName() const override { return "QWindowManager"; }

  /// Puts the window on top; false (with the error) when the table is full.
  bool AddWindow(QWindow *window);
  /// Clears the focus and the capture when they were the window.
  bool RemoveWindow(QWindow *window);
  /// A window going away: it and its registered descendants are removed,
  /// their queued events neutralised, and its children lose their parent.
  void Forget(QWindow *window);
  /// Puts the window on top of the stacking order.
  void Raise(QWindow *window);
  /// True when the window is registered.
  bool IsRegistered(const QWindow *window) const;
  /// The i-th registered window in stacking order; null past the end.
  QWindow *GetWindow(int index) const;
  /// The number of registered windows.
  int GetCount() const { return count; }
  /// The real window whose own X window that is.
  QWindow *FindXWindow(Window xwindow) const;
  /// The topmost visible, enabled window of that X window containing (x, y)
  /// (coordinates of the X window).
  QWindow *WindowAt(Window xwindow, int x, int y) override;
  /// From the oldest window up: the first visible one that accepts the
  /// class, lies in the X window (any when 0) and contains (x, y) by its own
  /// rectangle.
  QWindow *WindowAtMask(int x, int y, int eventClass, Window xwindow = 0) const;

  /// Queues a focus-out for the old window and a focus-in for the new one.
  bool SetFocus(QWindow *window);
  QWindow *GetFocus() override { return focus; }
  ///@{
  /// Moves the focus, over visible, enabled windows with a tab order of 0 or
  /// more; Next and Previous wrap around.
  void FocusFirst();
  void FocusLast();
  void FocusNext();
  void FocusPrevious();
  ///@}
  /// The window that gets every pointer event until released.
  void SetCapture(QWindow *window) { capture = window; }
  /// No window captures the pointer.
  void ReleaseCapture() { capture = nullptr; }
  QWindow *GetCapture() override { return capture; }
  ///@{
  /// Whether Tab and Shift+Tab move the focus (they do at first).
  void DisableTabbing() { flags |= kNoTabbing; }
  void EnableTabbing() { flags &= ~kNoTabbing; }
  bool IsTabbingEnabled() const { return !(flags & kNoTabbing); }
  ///@}

  ///@{
  /// The colour backgrounds are painted in without an image.
  void SetBackgroundColor(const QColor &color);
  const QColor &GetBackgroundColor() const { return backgroundColor; }
  ///@}
  /// An image that can't be read, or has no pixels, leaves none.
  bool SetBackgroundImage(const char *file);
  /// The image tiled from the window's origin, or grey.
  void PaintBackground(QWindow *window, const QRect *area);
  /// The shell's background, then every visible window from the bottom up.
  void RepaintAll();
  /// Discards events until an expose came, and the rest after it; false
  /// (with a warning) when none came within two seconds.
  bool WaitForExposure();
  /// Hands the event to the focus or capture window, the shortcut windows,
  /// the target and its parents in turn; true when one took it.
  bool DispatchEvent(QEvent *event);

  /// For the event queue.
  QWindow *FindWindow(Window xwindow) override { return FindXWindow(xwindow); }
  bool IsSoft(QWindow *window) override;
  /// A real window's is (0, 0, width, height); a soft window's is its place
  /// in its nearest real ancestor.
  QRect GetRect(QWindow *window) override;
  bool CompressesMotion(QWindow *window) override;
  int GetSoftChildren(Window xwindow, QWindow **children, int capacity) override;

private:
  static constexpr int kNoTabbing = 2;

  /// The slot of the window; of null, the first free one; -1 when none.
  int SlotOf(const QWindow *window) const;
  /// The X window id a window lies in, 0 when none.
  static Window XWindowOf(const QWindow *window);
  /// The grid WindowAt() looks in, built again after any change.
  const kiln::gui::WindowHitGrid &Hits();
  /// A focusable window by tab order: the first in slot order that `better`
  /// prefers over every other.
  template <typename Better>
  QWindow *FocusCandidate(Better better) const;

  /// The slots up to the last one holding a window.
  struct SlotRange {
    QWindow *const *first, *const *last;
    QWindow *const *begin() const { return first; }
    QWindow *const *end() const { return last; }
  };
  SlotRange Used() const { return {slots, slots + used}; }

  QWindow *slots[kMaxWindows] = {};
  /// The same windows, asked of every event.
  std::unordered_set<const QWindow *> registered;
  int used = 0;  ///< one past the last slot that holds a window
  int count = 0;
  int slotCount = kMaxWindows;
  QWindow *focus = nullptr;
  QWindow *capture = nullptr;
  QColor backgroundColor;
  std::unique_ptr<QImage> backgroundImage;
  int flags = 0;
  /// Where WindowAt() looks first.
  std::unique_ptr<kiln::gui::WindowHitGrid> hits;
};
