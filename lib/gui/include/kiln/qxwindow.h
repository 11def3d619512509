// A real X11 window with its own OpenGL rendering context: what a real
// QWindow owns. Top-level windows are children of the root window; others
// are X children of their parent's window.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

#include <kiln/qdrawable.h>
#include <kiln/qrect.h>

class QGLContext;

enum QXWindowFlags {
  QXWF_MANAGED = 1,       // decorated by the X window manager
  QXWF_PSEUDOCOLOR = 2,   // an 8-bit PseudoColor visual
  QXWF_DEPTH_STENCIL = 4, // depth and stencil buffers
  QXWF_FULLSCREEN = 8
};

class QXWindow : public QDrawable {
public:
  QXWindow(QXWindow *parent, int x, int y, int width, int height);
  // Destroys the context and the X window; a full-screen window gives the
  // screen its mode back.
  ~QXWindow() override;

  const char *ClassName() const override { return "QXWindow"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  // Chooses the visual, makes the context and the window, maps it; a
  // full-screen window switches the video mode and grabs the pointer.
  int Create() override;
  void Destroy() override;
  int GetWidth() const override { return rect.width; }
  int GetHeight() const override { return rect.height; }
  virtual void Swap();

  void Show();
  void Hide();
  void Raise();
  void Lower();
  void SetCursor(Cursor cursor);
  void SetInputFocus(Time time);
  void SetSize(int width, int height);
  void SetPos(int x, int y);
  // From the server; 0 before creation.
  int GetX() const;
  int GetY() const;
  // Only for a window the X window manager decorates.
  void SetTitle(const char *title);
  void SetIconName(const char *name);

  void PrefWM(bool on);
  void PrefFullScreen();
  void PrefPseudoColor();
  void PrefDepthStencil(bool on);
  bool IsFullScreen() const { return flags & QXWF_FULLSCREEN; }
  int GetFlags() const { return flags; }
  int GetDepth() const { return 32; }
  QGLContext *GetGLContext() const { return context.get(); }
  const XVisualInfo *GetVisualInfo() const { return visual; }

  // Not available on this platform; each says so.
  void ShowCursor();
  void HideCursor();
  void EnableMaximize();
  void DisableMaximize();
  void EnableMinimize();
  void DisableMinimize();

private:
  bool ChooseVisual();
  // From the server; zeros before creation.
  void Geometry(int *x, int *y, int *width, int *height) const;
  void Release();

  XVisualInfo *visual = nullptr;
  Window window = 0;
  QXWindow *parent;
  std::unique_ptr<QGLContext> context;
  int flags = QXWF_DEPTH_STENCIL;
  QRect rect;
  Colormap colormap = 0;
  bool switchedMode = false;
};
