// A graphic element: a rectangle with a position, a size and a depth that
// paints itself through a canvas (the BC's). Gels of the application's
// list (QGel) repaint only what changed.
#pragma once

#include <kiln/qobject.h>
#include <kiln/qrect.h>

class QCanvas;

enum QGelFlags {
  QGEL_KEEP_PLACES = 1,  // the place history is kept
  QGEL_HIDDEN = 2,
  QGEL_DIRTY = 8,         // to be painted this frame
  QGEL_DIRTY_AGAIN = 16,  // and once more in the next one (the other buffer)
  QGEL_MARKED = QGEL_DIRTY | QGEL_DIRTY_AGAIN
};

// The group key that gels made from now on take.
void SetGelKey(int key);

class QBasicGel : public QObject {
public:
  explicit QBasicGel(int flags = 0);

  const char *ClassName() const override { return "QBasicGel"; }
  virtual void SetPos(int x, int y, int depth);
  virtual void SetSize(int width, int height);
  virtual int GetWidth() const { return width; }
  virtual int GetHeight() const { return height; }
  virtual void Paint() {}
  virtual void PaintAgain() { Paint(); }

  void Show();
  void Hide();
  void Invalidate() { flags |= QGEL_MARKED; }
  bool IsDirty() const { return flags & QGEL_DIRTY; }
  bool IsHidden() const { return flags & QGEL_HIDDEN; }

  int GetX() const { return x; }
  int GetY() const { return y; }
  int GetDepth() const { return depth; }
  QRect GetRect() const { return QRect{x, y, width, height}; }
  int GetFlags() const { return flags; }
  int GetKey() const { return key; }
  QCanvas *GetCanvas() const { return canvas; }
  void SetCanvas(QCanvas *newCanvas) { canvas = newCanvas; }

protected:
  int x = 0, y = 0, depth = 0;
  int width = 0, height = 0;
  int flags;
  int key;
  QCanvas *canvas = nullptr;
};
