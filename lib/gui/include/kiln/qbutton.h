/// \file
/// QButton, the library's push button.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qrect.h>
#include <kiln/qstring.h>
#include <kiln/qwindow.h>

class QBitMap;
class QFont;

/// Flags of a button.
enum QButtonFlags {
  QBF_FLAT = 2,           ///< no bevel
  QBF_PASS_SHORTCUT = 4,  ///< a shortcut key press goes on after the click
  QBF_NO_SHADOW = 8       ///< set at construction
};

/// The library's push button: a soft window with a bevelled panel and a
/// label (text, a built-in "$" icon, an image or a texture cell) that
/// reacts to button 1, to a shortcut key and to Tab focus, and queues a
/// click event for the program.
class QButton : public QWindow {
public:
  /// Where button 1 is.
  enum State {
    RELEASED = 0,        ///< up
    PRESSED = 1,         ///< pressed on the button and still over it
    PRESSED_OUTSIDE = 2  ///< pressed on the button, moved off it
  };

  /// Made at once, last in the tab order. The label is copied.
  QButton(QWindow *parent, const QRect &rect, const char *label);

  const char *ClassName() const override { return "QButton"; }
  /// The panel, the label and the focus rectangle, as the state has them.
  void Paint(int flags) override;
  /// Button 1 presses the button.
  bool OnButtonPress(int button, int x, int y) override;
  /// Button 1 let go over the button queues its click.
  bool OnButtonRelease(int button, int x, int y) override;
  /// The shortcut clicks the button; other keys go to the window's own
  /// handling (Tab moves the focus).
  bool OnKeyPress(int key, int x, int y) override;
  /// Follows a pressed pointer in and out of the button.
  bool OnMotion(int x, int y) override;
  /// The X input focus stays where it is.
  bool OnEnter() override { return true; }

  /// Replaces the label (copied); "$" names a built-in icon.
  void SetText(const char *label);
  /// The label, or null without one.
  const char *GetText() const { return label.IsEmpty() ? nullptr : label.CStr(); }
  /// The label's colour.
  void SetTextColor(const QColor &color) { textColor.CopyFrom(color); }
  /// 0 centres the label across; anything else puts it at the left.
  void SetAlignment(int newAlignment) { alignment = newAlignment; }
  ///@{
  /// The QButtonFlags.
  void SetFlags(int flags) { buttonFlags = flags; }
  int GetButtonFlags() const { return buttonFlags; }
  ///@}
  /// No bevel: the panel is flat.
  void SetFlat() { buttonFlags |= QBF_FLAT; }
  ///@{
  /// Whether the shadow bands are painted below and right.
  void EnableShadow() { buttonFlags &= ~QBF_NO_SHADOW; }
  void DisableShadow() { buttonFlags |= QBF_NO_SHADOW; }
  ///@}
  /// Whether the shortcut's key press goes on to others after the click
  /// (it is consumed by default).
  void SetPassShortcut(bool pass);
  /// A key code (0: none) and a value kept with it.
  void SetShortcut(int key, int value = 0);
  /// The shortcut key, and its value into `value` when given.
  int GetShortcut(int *value = nullptr) const;
  /// 0 means a click (100).
  void SetEventType(int type) { eventType = type ? type : QEVENT_CLICK; }
  /// The type of event a click queues.
  int GetEventType() const { return eventType; }
  /// The part of the bitmap (not owned) shown instead of the label; the
  /// button takes its size plus 8 each way.
  void SetImage(QBitMap *bitmap, const QRect &source);
  /// The State.
  int GetState() const { return state; }

private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight(); }
  void SetState(int newState);
  void PaintLabel(int inset, int originX, int originY);

  QColor shadowColor, secondShadowColor, textColor;
  int state = RELEASED;
  int alignment = 0;
  int buttonFlags = QBF_NO_SHADOW;
  qstring label;
  QFont *font;
  int shortcut = 0, shortcutValue = 0;
  int eventType = QEVENT_CLICK;
  QBitMap *image = nullptr;
  QRect imageSource;
};
