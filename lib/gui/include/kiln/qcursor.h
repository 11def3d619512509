/// \file
/// QCursor, the mouse cursors of the application's windows.
#pragma once

#include <X11/Xlib.h>

#include <kiln/qobject.h>

/// The kinds of cursor.
enum QCursorKind {
  QCURSOR_INVISIBLE = 0,  ///< no pixel shows
  QCURSOR_ARROW = 1       ///< the red and yellow arrow
};

/// The mouse cursors the application sets on its windows: a 16 x 16 arrow in
/// red and yellow, or a cursor with no visible pixel.
class QCursor : public QObject {
public:
  /// With `create`, the X cursor is made at once.
  explicit QCursor(int kind = QCURSOR_ARROW, bool create = true);
  /// Frees the X cursor.
  ~QCursor() override;

  const char *ClassName() const override { return "QCursor"; }
  /// Makes the cursor on the default screen's root window; other kinds make
  /// none. False without one.
  bool Create(int kind);
  /// 0 before Create() or for an unknown kind.
  Cursor GetXCursor() const { return cursor; }
  ///@{
  /// The cursor's size in pixels.
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  ///@}

private:
  Cursor cursor = 0;
  int width = 32, height = 32;
};
