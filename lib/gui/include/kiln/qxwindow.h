/// \file
/// QXWindow, a real X11 window with its own rendering context.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>

#include <kiln/qdrawable.h>
#include <kiln/qrect.h>

class QGLContext;

/// Preferences of a window, given before Create().
enum QXWindowFlags {
  QXWF_MANAGED = 1,       ///< decorated by the X window manager
  QXWF_PSEUDOCOLOR = 2,   ///< an 8-bit PseudoColor visual
  QXWF_DEPTH_STENCIL = 4, ///< depth and stencil buffers
  QXWF_FULLSCREEN = 8     ///< the whole screen, in a video mode of the host's
};

/// A real X11 window with its own OpenGL rendering context: what a real
/// QWindow owns. Top-level windows are children of the root window; others
/// are X children of their parent's window.
class QXWindow : public QDrawable {
public:
  /// A window at (x, y) of the parent (of the screen without one), made by
  /// Create().
  QXWindow(QXWindow *parent, int x, int y, int width, int height);
  /// Destroys the context and the X window; a full-screen window gives the
  /// screen its mode back.
  ~QXWindow() override;

  const char *ClassName() const override { return "QXWindow"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  /// Chooses the visual, makes the context and the window, maps it; a
  /// full-screen window switches the video mode and grabs the pointer.
  int Create() override;
  void Destroy() override;
  int GetWidth() const override { return rect.width; }
  int GetHeight() const override { return rect.height; }
  /// Shows the back buffer.
  virtual void Swap();

  ///@{
  /// Maps, unmaps, raises or lowers the X window.
  void Show();
  void Hide();
  void Raise();
  void Lower();
  ///@}
  /// The X cursor shown over the window.
  void SetCursor(Cursor cursor);
  /// Gives the window the keyboard focus at the event's time.
  void SetInputFocus(Time time);
  /// Resizes the window (and what it is to be made with).
  void SetSize(int width, int height);
  /// Moves the window in its parent.
  void SetPos(int x, int y);
  ///@{
  /// From the server; 0 before creation.
  int GetX() const;
  int GetY() const;
  ///@}
  ///@{
  /// Only for a window the X window manager decorates.
  void SetTitle(const char *title);
  void SetIconName(const char *name);
  ///@}

  ///@{
  /// Preferences (QXWindowFlags) for Create().
  void PrefWM(bool on);
  void PrefFullScreen();
  void PrefPseudoColor();
  void PrefDepthStencil(bool on);
  ///@}
  /// True for a full-screen window.
  bool IsFullScreen() const { return flags & QXWF_FULLSCREEN; }
  /// The QXWindowFlags.
  int GetFlags() const { return flags; }
  /// Bits per pixel as the library counts them: 32.
  int GetDepth() const { return 32; }
  /// The window's rendering context (owned by it); null before Create().
  QGLContext *GetGLContext() const { return context.get(); }
  /// The visual chosen by Create(), or null.
  const XVisualInfo *GetVisualInfo() const { return visual; }

  ///@{
  /// Not available on this platform; each says so.
  void ShowCursor();
  void HideCursor();
  void EnableMaximize();
  void DisableMaximize();
  void EnableMinimize();
  void DisableMinimize();
  ///@}

private:
  bool ChooseVisual();
  /// From the server; zeros before creation.
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
