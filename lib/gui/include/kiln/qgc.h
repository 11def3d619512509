/// \file
/// QGC, drawing with plain X11 calls.
#pragma once

#include <X11/Xlib.h>

#include <kiln/qobject.h>

class QDrawable;
class QFont;
struct QRect;

/// Drawing with plain X11 calls on a drawable's X drawable, for canvases
/// that draw without OpenGL.
class QGC : public QObject {
public:
  /// A graphics context for the drawable's X drawable (not owned); none
  /// for a drawable without one, and, with a message, without a display.
  explicit QGC(QDrawable *drawable);
  /// Frees the X graphics context.
  ~QGC() override;

  const char *ClassName() const override { return "QGC"; }

  /// A filled rectangle; nothing for an empty one.
  void Rectfill(const QRect &rect);
  /// A filled convex triangle.
  void Triangle(int x1, int y1, int x2, int y2, int x3, int y3);
  /// At the baseline y; length -1 up to the terminator, never past it.
  void Text(const char *text, int x, int y, int length = -1);
  /// A default colour slot of the display (black outside 0 to 9).
  void SetColor(int index);
  /// A font without an X font sets nothing.
  void SetFont(QFont *font);
  ///@{
  /// Flags kept for the canvas; drawing ignores them.
  void SetFlags(int mask) { flags |= mask; }
  void ClearFlags(int mask) { flags &= ~mask; }
  int GetFlags() const { return flags; }
  ///@}
  /// The font set last (not owned), or null.
  QFont *GetFont() const { return font; }

private:
  QDrawable *drawable;
  int flags = 0;
  QFont *font = nullptr;
  GC gc = nullptr;
};
