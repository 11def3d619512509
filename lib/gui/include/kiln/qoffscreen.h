/// \file
/// QOffscreen, drawing without a window or an X display.
#pragma once

#include <memory>

#include <kiln/qdrawable.h>

class QCanvas;
class QGLContext;

/// A picture drawn with OpenGL where no window is, and no X display needed:
/// a drawable of a fixed size with an offscreen rendering context of its own
/// (a pbuffer through EGL) and a canvas drawing on it. Everything that draws
/// through a canvas or a context works on it as on a window (rectangles,
/// text in texture fonts, blits, textures, materials, models, shaders, the
/// world); QCanvas::ReadPixels() reads the picture back. What needs the X
/// server (windows, events, X fonts, cursors) refuses without a display.
///
/// Its pixels are a window's: 8 bits of red, green and blue with no alpha
/// (read back as 255), a 24-bit depth and an 8-bit stencil buffer, where
/// the platform offers them.
class QOffscreen : public QDrawable {
public:
  /// Makes the context and the canvas and makes the context current,
  /// cleared to black. Test IsValid(): a size below 1 x 1 is refused with a
  /// message; when no EGL platform gives a context the first QOffscreen of
  /// the process says why on the error output. While no other canvas is the
  /// application's (no QApp names one), this one's is: textures made in its
  /// context are where a program without windows wants them.
  QOffscreen(int width, int height);
  /// Destroys the canvas and the context; textures made in the context must
  /// go first (their GL names die with it).
  ~QOffscreen() override;
  QOffscreen(const QOffscreen &) = delete;
  QOffscreen &operator=(const QOffscreen &) = delete;

  const char *ClassName() const override { return "QOffscreen"; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }

  /// True when the context and the canvas were made.
  bool IsValid() const;
  /// Owned by the offscreen drawable; null only for a refused size.
  QGLContext *GetGLContext() const { return context.get(); }
  /// Owned by the offscreen drawable; null when it is not valid.
  QCanvas *GetCanvas() const;

private:
  int width, height;
  std::unique_ptr<QGLContext> context;
};
