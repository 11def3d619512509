/// \file
/// QBitmapGel, a gel that shows a bitmap.
#pragma once

#include <kiln/qgel.h>

class QBitMap;

/// A gel that shows a bitmap at its place, at the bitmap's size: a picture,
/// a sprite, a background. The gel list knows what these gels draw, so a
/// frame whose gels are all QBitmapGel (not classes made from it) goes to
/// the screen in one pass, each pixel drawn once, however much moved.
class QBitmapGel : public QGel {
public:
  /// Shows `bitmap` (not owned; it must live while the gel shows it), or
  /// nothing when null. With `blend` the bitmap is drawn over what lies
  /// under it by its alpha; otherwise its pixels replace what is there.
  explicit QBitmapGel(const QBitMap *bitmap = nullptr, bool blend = false);

  const char *ClassName() const override { return "QBitmapGel"; }
  /// Shows another bitmap (or nothing), at its size; the gel is marked.
  /// After changing the pixels of the bitmap shown, call Invalidate().
  void SetBitmap(const QBitMap *bitmap);
  /// The bitmap shown, or null.
  const QBitMap *GetBitmap() const { return bitmap; }
  /// Whether the bitmap is blended over what lies under it.
  bool IsBlended() const { return blend; }

  /// Blits the bitmap through the canvas (queued while the list paints).
  void Paint() override;
  /// Blits the part of the bitmap.
  void PaintPart(const QRect &part) override;

  /// True when the gel is a QBitmapGel itself, whose painting the list
  /// knows, and not a class made from it.
  static bool IsPlain(const QGel *gel);

private:
  void Blit(int sx, int sy, int width, int height);

  const QBitMap *bitmap;
  bool blend;
};
