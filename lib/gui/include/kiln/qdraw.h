/// \file
/// QDraw, a window that paints through a callback.
#pragma once

#include <kiln/qwindow.h>

class QDraw;

/// A paint procedure: called with the window and the data given with it.
using QDrawPaintProc = void (*)(QDraw *window, void *data);

/// A real window that paints through a callback, and can write what it
/// shows to a Targa file.
class QDraw : public QWindow {
public:
  /// A real window at (x, y) of the parent, painted by `paint` with `data`
  /// (neither owned).
  QDraw(QWindow *parent, int x, int y, int width, int height, QDrawPaintProc paint = nullptr, void *data = nullptr);

  const char *ClassName() const override { return "QDraw"; }
  /// Calls the paint procedure, when there is one.
  void Paint(int flags) override;
  /// Swaps the buffers of the nearest real window.
  virtual void Swap();
  /// What the window shows, as an opaque 32-bit Targa; false when the
  /// picture or the file can't be made.
  bool Screenshot(const char *file);

  /// Replaces the paint procedure and its data.
  void SetPaintProc(QDrawPaintProc proc, void *procData);

private:
  QDrawPaintProc paintProc;
  void *paintData;
};
