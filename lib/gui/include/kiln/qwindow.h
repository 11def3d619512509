/// \file
/// The library's window: a real X window (it owns a QXWindow with its own
/// rendering context) or a soft window, a rectangle drawn inside its nearest
/// real ancestor. Windows register with the window manager when created,
/// which hands them their events.
#pragma once

#include <memory>

#include <kiln/qdrawable.h>
#include <kiln/qevent.h>
#include <kiln/qrect.h>

class QCanvas;
class QXWindow;

/// Flags of a window.
enum QWindowFlags {
  QWF_HIDDEN = 1,                ///< not shown, no input
  QWF_DISABLED = 2,              ///< takes no input and no focus
  QWF_X = 4,                     ///< a real X window
  QWF_CREATED = 8,               ///< Create() made it
  QWF_COMPRESS_MOTION = 16,      ///< queued motion merged into one event
  QWF_NO_BACKGROUND_IMAGE = 64,  ///< the background without the manager's image
  QWF_MANAGED = 128,             ///< decorated by the X window manager
  QWF_FULLSCREEN = 256           ///< the whole screen
};

/// Event classes of SetEventMask(); windows of class 8 are offered every key
/// press as a shortcut before normal delivery.
enum QWindowEventClass { QWEC_SHORTCUT = 8 };

/// A texture of the 3D library as PaintTexture draws it: its GL name and
/// size.
struct QTextureRef {
  unsigned name = 0;  ///< the GL texture's name; 0 for none
  ///@{
  /// The texture's size in texels.
  int width = 0, height = 0;
  ///@}
};

/// The library's window: real (an X window of its own, a QXWindow, with
/// its rendering context) or soft (a rectangle drawn in its nearest real
/// ancestor), registered with the window manager when created. Subclasses
/// draw in Paint() and take events in the On...() handlers, each true when
/// the event was used.
class QWindow : public QDrawable {
public:
  /// With a parent, the canvas draws into the parent's at (x, y); without
  /// one, the window has a canvas of its own.
  QWindow(QWindow *parent, int x, int y, int width, int height);
  /// Unregisters the window (and its registered descendants, which lose
  /// their parent), neutralises its queued events, destroys its canvas and
  /// X window.
  ~QWindow() override;

  const char *ClassName() const override { return "QWindow"; }
  /// A real X window's QXWindow draws; GetXWindowOf() finds it.
  unsigned long GetXWindow() const override { return 0; }
  unsigned long GetXDrawable() const override { return 0; }
  /// Makes the X window of a real window, registers the window. False for a
  /// soft window without a real ancestor, or a real one X refused. A second
  /// call does nothing.
  int Create() override;
  void Destroy() override;
  int GetWidth() const override { return rect.width; }
  int GetHeight() const override { return rect.height; }
  ///@{
  /// Hides or shows a soft window, repainting what it covered; a real
  /// window can't be hidden (a warning).
  virtual void Hide();
  virtual void Show();
  ///@}
  /// Draws the window through its canvas; nothing here.
  virtual void Paint(int flags);
  /// Calls the handler of the event's type; true when it was handled.
  virtual bool Event(const QEvent *event);
  ///@{
  /// A mouse button at (x, y) of the window; not used here.
  virtual bool OnButtonPress(int button, int x, int y);
  virtual bool OnButtonRelease(int button, int x, int y);
  ///@}
  /// Tab and Shift+Tab cycle the focus.
  virtual bool OnKeyPress(int key, int x, int y);
  /// A key let go; not used here.
  virtual bool OnKeyRelease(int key, int x, int y);
  /// The pointer moved to (x, y); not used here.
  virtual bool OnMotion(int x, int y);
  /// A part of the window to draw again: here Paint(), used.
  virtual bool OnExpose(int x, int y, int width, int height);
  /// The window's new size; not used here.
  virtual bool OnResize(int width, int height);
  ///@{
  /// The keyboard focus came or went: here Paint(), not used.
  virtual bool OnFocusIn();
  virtual bool OnFocusOut();
  ///@}
  /// Gives the X input focus to the nearest real window.
  virtual bool OnEnter();
  /// The pointer left; used here.
  virtual bool OnLeave();

  ///@{
  /// Only before Create(); afterwards they warn.
  void PrefFullScreen();
  void PrefWM(bool on);
  void MakeSoftWindow();
  void MakeRealX();
  ///@}

  ///@{
  /// Resizes or moves the window (a real window's X window too) and
  /// repaints what changed; always true.
  bool SetSize(int width, int height);
  bool SetPos(int x, int y);
  ///@}
  /// Relative to the parent window.
  const QRect &GetRect() const { return rect; }
  /// The parent, or null.
  QWindow *GetParent() const { return parent; }
  /// The QWindowFlags.
  int GetFlags() const { return flags; }
  /// True for a real window.
  bool IsX() const { return flags & QWF_X; }
  /// True once Create() made it.
  bool IsCreated() const { return flags & QWF_CREATED; }
  /// True unless hidden.
  bool IsVisible() const { return !(flags & QWF_HIDDEN); }
  /// True unless disabled.
  bool IsEnabled() const { return !(flags & QWF_DISABLED); }
  ///@{
  /// A disabled window takes no input and no focus.
  void Enable();
  void Disable();
  ///@}
  ///@{
  /// Whether queued motion of the window is merged into one event.
  void SetMotionCompression(bool on);
  bool CompressesMotion() const { return flags & QWF_COMPRESS_MOTION; }
  ///@}
  ///@{
  /// The QWindowEventClass bits of events offered to the window by class.
  void SetEventMask(int mask);
  int GetEventMask() const { return eventMask; }
  ///@}
  /// Visible, enabled and of a class in the mask.
  bool AcceptsEvents(int eventClass) const {
    return !(flags & (QWF_HIDDEN | QWF_DISABLED)) && (eventClass & eventMask);
  }
  /// Whether PaintBackground() tiles the window manager's image.
  void SetUseBackgroundImage(bool use);
  /// -2: one more than the largest tab order of the registered windows.
  void SetTabOrder(int order);
  /// The tab order; -1 keeps the window out of Tab cycling.
  int GetTabOrder() const { return tabOrder; }

  /// Queues an expose of the rectangle (null: the whole window); a real
  /// window's reaches its soft children too.
  void Invalidate(const QRect *area = nullptr);
  /// Queues the event.
  void PostEvent(const QEvent &event);
  ///@{
  /// The whole window, or a part of it: grey with an X-drawing canvas (or
  /// without a window manager), else the window manager's background.
  void PaintBackground();
  void PaintBackground(const QRect &area);
  ///@}

  ///@{
  /// A cell of a horizontal strip of cells in a texture, drawn over the
  /// window by PaintTexture(): the texture, the strip's first cell (x, y)
  /// and cell size, the cell shown, and where it is drawn in the window.
  void SetTexture(const QTextureRef &newTexture) { texture = newTexture; }
  const QTextureRef &GetTexture() const { return texture; }
  void SetTextureGrid(int x, int y, int cellWidth, int cellHeight);
  void SetTextureIndex(int index) { textureIndex = index; }
  void SetTextureOffset(int x, int y);
  void PaintTexture();
  ///@}

  /// The canvas the window draws through (owned by the window), or null.
  QCanvas *GetCanvas() const;
  /// The QXWindow of a real window.
  QXWindow *GetQXWindow() const { return xwindow.get(); }
  /// The QXWindow of the window or of its nearest ancestor that has one.
  static QXWindow *GetXWindowOf(const QWindow *window);

private:
  friend class QWindowManager;

  /// A canvas drawing into the parent's at the window's place.
  void MakeChildCanvas();
  void MoveCanvas();
  bool Preference(const char *name);

  QRect rect;
  std::unique_ptr<QXWindow> xwindow;
  QWindow *parent;
  int flags = 0;
  int eventMask = 0;
  int tabOrder = -1;
  QTextureRef texture;
  QRect textureGrid;
  int textureIndex = 0;
  int textureOffsetX = 0, textureOffsetY = 0;
};
