/// \file
/// QDrawable, the base of everything that can be drawn on.
#pragma once

#include <kiln/qobject.h>

/// The base of everything that can be drawn on: windows and pixel buffers.
/// It needs nothing of X: pixel buffers are built before any window exists.
class QDrawable : public QObject {
public:
  QDrawable() = default;
  /// Destroys the canvas, if there is one.
  ~QDrawable() override;

  ///@{
  /// X identities (XID values); a pixel buffer has none.
  virtual unsigned long GetXWindow() const { return 0; }
  virtual unsigned long GetXDrawable() const { return 0; }
  ///@}
  /// Makes what the drawable draws on (a window's X window); nonzero when it
  /// is there. The base version only reports that it was called, and
  /// returns 1.
  virtual int Create();
  /// Destroys what Create() made; the base version only reports that it was
  /// called.
  virtual void Destroy();
  ///@{
  /// The size in pixels.
  virtual int GetWidth() const = 0;
  virtual int GetHeight() const = 0;
  ///@}

  /// The canvas that draws on this drawable, owned by it. It is held as its
  /// object base, so that this layer needs nothing of the canvas itself; the
  /// drawing layer gives subclasses a typed view.
  QObject *GetCanvasObject() const { return canvas; }

protected:
  /// Takes ownership of the canvas; a canvas held before is destroyed.
  void SetCanvasObject(QObject *newCanvas);

private:
  QObject *canvas = nullptr;
};
