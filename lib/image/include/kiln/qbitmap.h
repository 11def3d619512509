/// \file
/// QBitMap, the in-memory image, with its filters and writers.
#pragma once

#include <cstdint>

#include <kiln/qdrawable.h>

class QColor;
struct QRect;

/// Flags: the pixel memory belongs to the caller.
enum QBitMapFlags {
  QBM_EXTERNAL = 2  ///< never freed by the bitmap
};
/// File formats of QBitMap::Write().
enum QBitMapFormat { QBM_FORMAT_RGB = 0, QBM_FORMAT_TGA = 1, QBM_FORMAT_TGA_GRAY = 2, QBM_FORMAT_JPG = 3 };

/// The in-memory image: pixels with a depth, a width and a height. Rows are
/// stored bottom-up; a 32-bit pixel is red, green, blue, alpha. Operations
/// that take (x, y) count y from the top unless they say otherwise.
class QBitMap : public QDrawable {
public:
  /// Allocates zero-filled memory when depth, width and height are non-zero.
  QBitMap(int depth = 32, int width = 0, int height = 0, int flags = 0);
  /// The same shape with new zero-filled memory.
  QBitMap(const QBitMap &other);
  ~QBitMap() override;

  const char *ClassName() const override { return "QBitMap"; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }

  /// A new bitmap of the same shape, with the pixels when asked.
  QBitMap *Clone(bool copyPixels) const;
  /// Changes the shape; with `memory` the caller's block is used (and never
  /// freed). False when there is no memory afterwards.
  bool Alloc(int depth, int width, int height, int flags = 0, uint8_t *memory = nullptr);
  /// Lets the memory go (the caller's is never freed); the shape becomes 0.
  void FreeMem();
  /// Copies the other's bytes, as many as both hold.
  void CopyPixels(const QBitMap &other);
  /// Takes the shape and a copy of the pixels.
  void CopyFrom(const uint8_t *pixels, int width, int height, int depth);

  /// Bits per pixel: 8, 24 or 32; 0 without memory.
  int GetDepth() const { return depth; }
  /// The QBitMapFlags.
  int GetFlags() const { return flags; }
  /// The pixels, bottom row first; null without memory.
  uint8_t *GetBuffer() const { return memory; }
  /// The bytes of the pixels.
  int GetBufferSize() const { return memorySize; }

  /// 32-bit pixels. GetAddress counts rows from the bottom; the others from
  /// the top. Pixels outside the bitmap are left alone (and read as 0).
  uint8_t *GetAddress(int x, int row) const;
  /// The pixel's colour; transparent black outside.
  void GetPixel(int x, int y, QColor *color) const;
  /// Sets the pixel's four bytes.
  void SetPixel(int x, int y, const QColor &color);
  /// Every byte 0.
  void Clear();
  /// Copies a rectangle of `source`; the parts outside either bitmap are cut.
  void CopyRect(const QBitMap &source, int sx, int sy, int w, int h, int dx, int dy);

  ///@{
  /// Inverts one channel, or copies one of `source` into one of this
  /// bitmap. Channels are byte indices 0-3 of a 32-bit pixel; -1 for w or h
  /// means the whole width or height, -1 for the destination channel the
  /// same one.
  void InvertChannel(int channel, int x = 0, int y = 0, int w = -1, int h = -1);
  void CopyChannel(const QBitMap &source, int sourceChannel, int destinationChannel, int sx = 0, int sy = 0,
                   int w = -1, int h = -1, int dx = 0, int dy = 0);
  ///@}
  /// Reverses the four bytes of every pixel.
  void SwapBytes();

  /// Every pixel's alpha.
  void SetAlpha(int alpha);
  /// alpha = alpha * mul / div + add, at most 255.
  void ScaleAlpha(int mul, int div, int add);
  /// True when a pixel's alpha is below 255.
  bool HasTransparency() const;
  /// KeyColor() of magenta (0xFF00FF).
  int KeyMagenta();
  /// Pixels of the colour 0xRRGGBB become four zero bytes; returns how many.
  int KeyColor(int rgb);
  /// Alpha 0 where the pixel's colour is the key (0xRRGGBB), 255 elsewhere.
  int KeyColorToAlpha(int rgb);
  /// Red, green and blue become 255 where alpha isn't 0, else 0.
  void MaskFromAlpha();
  /// Red, green and blue become 0 where alpha is 0.
  void ClearTransparent();
  /// Red, green and blue become 255.
  void SetWhite();
  /// Opaque pixels (any pixel with alpha when `anyAlpha`) darker than the
  /// level are raised to it, grey.
  void Lut(int level, bool anyAlpha);
  /// 0: by the number of transparent neighbours; 1: mean of the 3 x 3 block;
  /// 2, 3, 4: box filters of 2, 3 and 4 pixels.
  void SoftenAlpha(int type);

  /// Brightens (1 to 100 percent of the way to white) or darkens (-1 to
  /// -100 towards black) red, green and blue.
  void Brightness(int amount);
  /// Alpha towards 0 (1 to 100 percent) or towards 255 (-1 to -100).
  void Fade(int amount);
  /// Red, green and blue towards their grey, by `weight` percent.
  void Gray(int weight);
  /// Red, green and blue towards the colour at each pixel's grey level, by
  /// `amount` percent.
  void Colorize(const QColor &color, int amount);
  /// Alpha averaged over blocks of 4, 9 or 16 pixels (`size`); other sizes
  /// change nothing.
  void BoxAlpha(int size);
  /// Red, green and blue become the alpha (0 where alpha is 0).
  void AlphaToGray();
  /// Shapes grown by one pixel: a pixel of four zero bytes beside (left,
  /// right, above, below) a pixel whose red byte isn't zero takes the colour
  /// 0xRRGGBB (as KeyColor reads it) with alpha 255. Decided on the pixels as
  /// they were: a pixel coloured here doesn't grow further.
  void GrowShapes(int rgb);
  /// Every pixel with alpha casts a shadow `columns` to the right and `rows`
  /// down (from the top; negative: left and up) in the colour 0xRRGGBB with
  /// alpha 255, onto pixels of alpha 0 only and within the bitmap. Decided on
  /// the pixels as they were: a shadow casts no shadow.
  void DropShadow(int columns, int rows, int rgb);

  /// Copies (angle 0) or turns (90, 180, 270; square regions only) the
  /// region `source` into `destination` at dxy; rows of turned regions count
  /// from the bottom.
  bool Rotate(int angle, const QRect &source, QBitMap *destination, const int dxy[2]);
  /// Nearest-neighbour scaling of a 32-bit bitmap.
  bool Scale(int newWidth, int newHeight);

  /// Writes a 32-bit bitmap to the file (its name expanded) in the
  /// QBitMapFormat, JPEG at the quality (1-100); false (with a message) for
  /// another depth, an unknown format, a size the format can't hold or a
  /// file that can't be written.
  bool Write(const char *path, int format, int quality = 80);
  /// Targa, uncompressed: type 1 32-bit colour, type 2 8-bit grey.
  bool WriteTGA(const char *path, int type);
  /// SGI RGB, uncompressed, with alpha.
  bool WriteRGB(const char *path);
  /// JPEG at the quality (1-100).
  bool WriteJPG(const char *path, int quality);

protected:
  /// A 32-bit bitmap with memory; otherwise false, with a warning naming the
  /// operation when one is given.
  bool Is32(const char *operation = nullptr) const;

private:
  int flags = 0;
  int depth = 0;
  int width = 0;
  int height = 0;
  uint8_t *memory = nullptr;
  int memorySize = 0;
};
