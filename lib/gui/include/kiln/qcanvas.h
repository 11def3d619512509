/// \file
/// QCanvas, two-dimensional drawing in a drawable's pixels.
#pragma once

#include <memory>

#include <kiln/qcolor.h>
#include <kiln/qobject.h>
#include <kiln/qrect.h>

class QBitMap;
class QBlitQueue;
class QDrawable;
class QFont;
class QGC;
class QGLContext;
class QTextStyle;

/// Flags of a canvas.
enum QCanvasFlags {
  QCANVAS_CLIP = 4,          ///< drawing is clipped to the clip rectangle
  QCANVAS_QUEUE_BLITS = 8,   ///< blits wait in the queue for FlushBlits()
  QCANVAS_USE_X = 16,        ///< draw with X11 calls
  QCANVAS_BLIT_TARGET = 32,  ///< blits go into the target bitmap
  QCANVAS_3D = 64,           ///< the 3D projection is set
  QCANVAS_Y_UP = 128         ///< y counts up from the bottom (OpenGL window coordinates)
};

/// Colours of SetColor(index).
enum QCanvasPalette { PX_WHITE = 0, PX_BLACK = 1, PX_LTGRAY = 2, PX_MDGRAY = 3, PX_DKGRAY = 4, PX_RED = 5 };

/// Two-dimensional drawing in a drawable's pixels, origin at the top left,
/// on top of OpenGL: rectangles, lines, frames, text, pixel blits. A canvas
/// can instead draw with plain X11 calls (UseX), put its blits into a bitmap
/// (SetBitmapTarget) or queue them for one later pass (QCANVAS_QUEUE_BLITS).
///
/// Rectangle and pixel operations set up the 2D projection through the
/// rendering context, which skips the work while the projection it set is
/// still in place; after changing the matrices with plain OpenGL calls,
/// call Set2D().
/// Drawing in a drawable's pixels, origin at the top left, through its
/// rendering context: the rectangles, lines, frames, text and blits of a
/// window or an offscreen drawable.
class QCanvas : public QObject {
public:
  /// A canvas of the drawable (not owned): the back buffer, no offset, font
  /// or context yet.
  explicit QCanvas(QDrawable *drawable);
  /// A child on the parent's drawable, with its context, font, text style,
  /// buffer choice and a copy of its colour; the window sets the offset.
  explicit QCanvas(QCanvas *parent);
  ~QCanvas() override;

  const char *ClassName() const override { return "QCanvas"; }
  ///@{
  /// The drawable's size; 0 without one.
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  ///@}

  /// The canvas of a drawable, when it holds one.
  static QCanvas *Of(const QDrawable *drawable);
  /// The application's drawing canvas: its BC window's, or its shell's when
  /// there is no BC. The application object names it through this source;
  /// until one is set there is none.
  using AppCanvasSource = QCanvas *(*)();
  /// Names the function that tells the application's canvas; null for none.
  static void SetAppCanvasSource(AppCanvasSource source);
  /// The application's canvas, or null.
  static QCanvas *GetAppCanvas();

  /// The drawable it draws on (not owned).
  QDrawable *GetDrawable() const { return drawable; }
  ///@{
  /// The rendering context it draws through (not owned).
  void SetGLContext(QGLContext *context) { glContext = context; }
  QGLContext *GetGLContext() const { return glContext; }
  ///@}
  /// Makes the rendering context current (not with X11 drawing).
  void Select();
  /// Draws into the back buffer (true) or the front one.
  void SetBackBuffer(bool back);
  /// A perspective in which one unit at depth 0 is one pixel (distance
  /// 1000).
  void Set3D();
  /// Back to the 2D projection of pixels.
  void Set2D();

  /// A colour of the QCanvasPalette; another index warns and gives green.
  void SetColor(int index);
  /// The colour of what is drawn next.
  void SetColor(int red, int green, int blue, int alpha = 255);
  /// The same from a colour's four components.
  void SetColor(const QColor &color);
  /// The current colour.
  const QColor &GetColor() const { return color; }
  ///@{
  /// The font of Text() (not owned); null for none.
  void SetFont(QFont *newFont);
  QFont *GetFont() const { return font; }
  ///@}
  ///@{
  /// The layers text is drawn in (not owned); null draws it once.
  void SetTextStyle(QTextStyle *style) { textStyle = style; }
  QTextStyle *GetTextStyle() const { return textStyle; }
  ///@}

  /// Blend mode 1 (by source alpha) or 0 (none).
  void Blend(bool on) { blendMode = on ? 1 : 0; }
  /// 0 none, 1 by source alpha, 2 on with the factors as they are, 3 (ONE,
  /// ONE_MINUS_SRC_ALPHA), 4 (SRC_ALPHA_SATURATE, ONE).
  void SetBlending(int mode, const QColor *blend = nullptr);
  /// The blend mode.
  int GetBlending() const { return blendMode; }

  ///@{
  /// Added to every coordinate drawn: a soft window's place in its real
  /// window.
  void SetOffset(int x, int y);
  int GetOffsetX() const { return offsetX; }
  int GetOffsetY() const { return offsetY; }
  ///@}
  ///@{
  /// What drawing is cut to while QCANVAS_CLIP is set.
  void SetClipRect(const QRect &rect) { clip = rect; }
  const QRect &GetClipRect() const { return clip; }
  ///@}
  /// Setting QCANVAS_USE_X makes the X graphics context when there is none.
  void SetFlags(int mask);
  /// Clears QCanvasFlags bits.
  void ClearFlags(int mask) { flags &= ~mask; }
  /// The QCanvasFlags.
  int GetFlags() const { return flags; }

  /// Draws with plain X11 calls from now on (a window's X drawable only).
  void UseX();
  /// True while drawing with X11 calls.
  bool IsX() const { return flags & QCANVAS_USE_X; }
  /// The X graphics context (owned by the canvas), or null.
  QGC *GetGC() const { return gc.get(); }
  /// Blits go into the bitmap (not owned) from now on.
  void SetBitmapTarget(QBitMap *bitmap);

  /// Clears colour and depth inside the rectangle.
  void Clear(const QRect &rect);
  /// Clears colour and depth of the whole drawable.
  void Clear();
  ///@{
  /// A filled rectangle in the current colour.
  void Rectfill(int x, int y, int width, int height);
  void Rectfill(const QRect &rect);
  ///@}
  /// Corner colours: top left, top right, bottom right, bottom left.
  void RectfillGradient(const QRect &rect, const QColor &topLeft, const QColor &topRight, const QColor &bottomRight,
                        const QColor &bottomLeft);
  /// An outline of four 1-pixel filled edges.
  void Rectangle(int x, int y, int width, int height);
  /// The same outline drawn with four Line() calls.
  void RectangleLines(int x, int y, int width, int height);
  /// A 1-pixel line in the current colour.
  virtual void Line(int x1, int y1, int x2, int y2);
  /// Gouraud-shaded; a missing colour is black.
  void Triangle(int x1, int y1, int x2, int y2, int x3, int y3, const QColor *color1, const QColor *color2,
                const QColor *color3);
  ///@{
  /// A bevelled frame, raised (Outline) or sunk (Inline).
  void Outline(int x, int y, int width, int height);
  void Inline(int x, int y, int width, int height);
  ///@}
  /// A panel's face: a grey gradient when shaded, else white.
  void Panel(int x, int y, int width, int height, bool shaded);
  /// A white band 2 pixels high over a black one.
  void Separator(int x, int y, int width);
  /// A dotted black outline.
  void FocusRectangle(int x, int y, int width, int height);
  ///@{
  /// Lines drawn with the 16-bit pattern (each bit `factor` pixels), or
  /// solid again.
  void EnableLineStipple(unsigned short pattern, int factor = 1);
  void DisableLineStipple();
  ///@}

  /// At (x, y), the top of the text; length -1 up to the terminator.
  virtual void Text(const char *text, int x, int y, int length = -1);
  /// Lines split at newlines; flags bit 0 centres each line across, bit 1
  /// the block down.
  void TextML(const char *text, const QRect &rect, int flags);

  ///@{
  /// A rectangle of the bitmap (not owned) drawn at (dx, dy): into the
  /// target bitmap, into the blit queue, or at once. Blit() applies the
  /// canvas's blend mode first. Width, height -1: the bitmap's; sx, sy -1:
  /// 0.
  void Blit(const QBitMap *bitmap, int dx, int dy, int width = -1, int height = -1, int sx = 0, int sy = 0,
            bool blend = false);
  void DrawPixels(const QBitMap *bitmap, int dx, int dy, int width = -1, int height = -1, int sx = 0, int sy = 0,
                  bool blend = false);
  ///@}
  /// The frame buffer's pixels into the bitmap at (bx, by), cut to both.
  void ReadPixels(QBitMap *bitmap, int x, int y, int width = -1, int height = -1, int bx = 0, int by = 0);
  /// Copies a block of the frame buffer from (sx, sy) to (dx, dy).
  void CopyPixels(int sx, int sy, int width, int height, int dx, int dy);
  /// Draws the queued blits and empties the queue.
  void FlushBlits();
  /// While on, queued blits wait for FlushBlits() however many there are
  /// (QBlitQueue::Hold()): for a caller that knows nothing else draws on
  /// the canvas meanwhile.
  void HoldBlits(bool on);
  /// The blit queue (owned by the canvas), or null before the first
  /// queued blit.
  QBlitQueue *GetBlitQueue() const { return blitQueue.get(); }

  ///@{
  /// Between top-left coordinates and coordinates centred on the drawable
  /// with y up.
  void ToCentered(int *x, int *y) const;
  void FromCentered(int *x, int *y) const;
  ///@}
  ///@{
  /// Obsolete or not available; each says so.
  void Shade();
  void Fill();
  ///@}

  /// Draws queued or direct pixels at OpenGL window coordinates (the raster
  /// may start outside the window).
  static void DrawRows(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy);

private:
  void Prepare2D();
  void ApplyBlending() const;
  /// The rectangle moved by the offset and clipped; false when empty.
  bool Place(QRect &rect) const;
  void Quad(const QRect &rect, const QColor *const corners[4]);
  void Frame(int x, int y, int width, int height, bool fullEdges, int band);
  void Bitmap(const QBitMap *bitmap, int dx, int dy, int width, int height, int sx, int sy, bool blend,
              const char *operation);
  void TextAt(const char *text, int x, int baseline, int length, const QColor &color);

  QDrawable *drawable;
  bool backBuffer = true;
  int flags = 0;
  QFont *font = nullptr;
  int offsetX = 0, offsetY = 0;
  QRect clip;
  QGLContext *glContext = nullptr;
  std::unique_ptr<QGC> gc;
  QBitMap *target = nullptr;
  std::unique_ptr<QBlitQueue> blitQueue;
  QColor color;
  QColor blendColor;
  QTextStyle *textStyle = nullptr;
  int blendMode = 0;
};
