// The library's push button: a soft window with a bevelled panel and a
// label (text, a built-in "$" icon, an image or a texture cell) that
// reacts to button 1, to a shortcut key and to Tab focus, and queues a
// click event for the program.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qrect.h>
#include <kiln/qstring.h>
#include <kiln/qwindow.h>

class QBitMap;
class QFont;

enum QButtonFlags {
  QBF_FLAT = 2,
  QBF_PASS_SHORTCUT = 4,  // a shortcut key press goes on after the click
  QBF_NO_SHADOW = 8       // set at construction
};

class QButton : public QWindow {
public:
  enum State { RELEASED = 0, PRESSED = 1, PRESSED_OUTSIDE = 2 };

  // Made at once, last in the tab order. The label is copied.
  QButton(QWindow *parent, const QRect &rect, const char *label);

  const char *ClassName() const override { return "QButton"; }
  void Paint(int flags) override;
  bool OnButtonPress(int button, int x, int y) override;
  bool OnButtonRelease(int button, int x, int y) override;
  bool OnKeyPress(int key, int x, int y) override;
  bool OnMotion(int x, int y) override;
  // The X input focus stays where it is.
  bool OnEnter() override { return true; }

  void SetText(const char *label);
  const char *GetText() const { return label.IsEmpty() ? nullptr : label.CStr(); }
  void SetTextColor(const QColor &color) { textColor.CopyFrom(color); }
  // 0 centres the label across; anything else puts it at the left.
  void SetAlignment(int newAlignment) { alignment = newAlignment; }
  void SetFlags(int flags) { buttonFlags = flags; }
  int GetButtonFlags() const { return buttonFlags; }
  void SetFlat() { buttonFlags |= QBF_FLAT; }
  void EnableShadow() { buttonFlags &= ~QBF_NO_SHADOW; }
  void DisableShadow() { buttonFlags |= QBF_NO_SHADOW; }
  void SetPassShortcut(bool pass);
  // A key code (0: none) and a value kept with it.
  void SetShortcut(int key, int value = 0);
  int GetShortcut(int *value = nullptr) const;
  // 0 means a click (100).
  void SetEventType(int type) { eventType = type ? type : QEVENT_CLICK; }
  int GetEventType() const { return eventType; }
  // The part of the bitmap (not owned) shown instead of the label; the
  // button takes its size plus 8 each way.
  void SetImage(QBitMap *bitmap, const QRect &source);
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
