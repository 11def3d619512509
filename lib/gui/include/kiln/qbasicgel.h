/// \file
/// QBasicGel, a graphic element.
#pragma once

#include <kiln/qobject.h>
#include <kiln/qrect.h>

class QCanvas;

/// Flags of a gel.
enum QGelFlags {
  QGEL_KEEP_PLACES = 1,  ///< the place history is kept
  QGEL_HIDDEN = 2,        ///< not painted
  QGEL_DIRTY = 8,         ///< to be painted this frame
  QGEL_DIRTY_AGAIN = 16,  ///< and once more in the next one (the other buffer)
  QGEL_MARKED = QGEL_DIRTY | QGEL_DIRTY_AGAIN  ///< both
};

/// The group key that gels made from now on take.
void SetGelKey(int key);

/// A graphic element: a rectangle with a position, a size and a depth that
/// paints itself through a canvas (the BC's). Gels of the application's
/// list (QGel) repaint only what changed.
class QBasicGel : public QObject {
public:
  /// At the origin, of no size, with the QGelFlags and the current key.
  explicit QBasicGel(int flags = 0);

  const char *ClassName() const override { return "QBasicGel"; }
  /// Where the gel's top left corner goes, and its depth.
  virtual void SetPos(int x, int y, int depth);
  /// The gel's size in pixels.
  virtual void SetSize(int width, int height);
  ///@{
  /// The gel's size in pixels.
  virtual int GetWidth() const { return width; }
  virtual int GetHeight() const { return height; }
  ///@}
  /// Paints the gel through its canvas; nothing here.
  virtual void Paint() {}
  /// Paints the gel for the second buffer; here as Paint().
  virtual void PaintAgain() { Paint(); }

  ///@{
  /// Shows or hides the gel, marking it for repaint.
  void Show();
  void Hide();
  ///@}
  /// Marks the gel for repaint in this frame and the next.
  void Invalidate() { flags |= QGEL_MARKED; }
  /// True when marked for repaint in this frame.
  bool IsDirty() const { return flags & QGEL_DIRTY; }
  /// True while hidden.
  bool IsHidden() const { return flags & QGEL_HIDDEN; }

  ///@{
  /// The top left corner, and the depth.
  int GetX() const { return x; }
  int GetY() const { return y; }
  int GetDepth() const { return depth; }
  ///@}
  /// The gel's rectangle.
  QRect GetRect() const { return QRect{x, y, width, height}; }
  /// The QGelFlags.
  int GetFlags() const { return flags; }
  /// The group key the gel was made with (SetGelKey()).
  int GetKey() const { return key; }
  ///@{
  /// The canvas the gel paints on (not owned).
  QCanvas *GetCanvas() const { return canvas; }
  void SetCanvas(QCanvas *newCanvas) { canvas = newCanvas; }
  ///@}

protected:
  ///@{
  /// Position and depth.
  int x = 0, y = 0, depth = 0;
  ///@}
  ///@{
  /// Size.
  int width = 0, height = 0;
  ///@}
  int flags;  ///< QGelFlags
  int key;    ///< the group key
  QCanvas *canvas = nullptr;  ///< not owned
};
