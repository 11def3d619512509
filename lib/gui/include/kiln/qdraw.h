// A real window that paints through a callback, and can write what it
// shows to a Targa file.
#pragma once

#include <kiln/qwindow.h>

class QDraw;

using QDrawPaintProc = void (*)(QDraw *window, void *data);

class QDraw : public QWindow {
public:
  QDraw(QWindow *parent, int x, int y, int width, int height, QDrawPaintProc paint = nullptr, void *data = nullptr);

  const char *ClassName() const override { return "QDraw"; }
  void Paint(int flags) override;
  // Swaps the buffers of the nearest real window.
  virtual void Swap();
  // What the window shows, as an opaque 32-bit Targa; false when the
  // picture or the file can't be made.
  bool Screenshot(const char *file);

  void SetPaintProc(QDrawPaintProc proc, void *procData);

private:
  QDrawPaintProc paintProc;
  void *paintData;
};
