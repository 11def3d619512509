// The in-memory image: pixels with a depth, a width and a height. Rows are
// stored bottom-up; a 32-bit pixel is red, green, blue, alpha. Operations
// that take (x, y) count y from the top unless they say otherwise.
#pragma once

#include <cstdint>

#include <kiln/qdrawable.h>

class QColor;
struct QRect;

// Flags: the pixel memory belongs to the caller.
enum QBitMapFlags { QBM_EXTERNAL = 2 };
// File formats of QBitMap::Write().
enum QBitMapFormat { QBM_FORMAT_RGB = 0, QBM_FORMAT_TGA = 1, QBM_FORMAT_TGA_GRAY = 2, QBM_FORMAT_JPG = 3 };

class QBitMap : public QDrawable {
public:
  // Allocates zero-filled memory when depth, width and height are non-zero.
  QBitMap(int depth = 32, int width = 0, int height = 0, int flags = 0);
  // The same shape with new zero-filled memory.
  QBitMap(const QBitMap &other);
  ~QBitMap() override;

  const char *ClassName() const override { return "QBitMap"; }
  int GetWidth() const override { return width; }
  int GetHeight() const override { return height; }

  // A new bitmap of the same shape, with the pixels when asked.
  QBitMap *Clone(bool copyPixels) const;
  // Changes the shape; with `memory` the caller's block is used (and never
  // freed). False when there is no memory afterwards.
  bool Alloc(int depth, int width, int height, int flags = 0, uint8_t *memory = nullptr);
  void FreeMem();
  void CopyPixels(const QBitMap &other);
  void CopyFrom(const uint8_t *pixels, int width, int height, int depth);

  int GetDepth() const { return depth; }
  int GetFlags() const { return flags; }
  uint8_t *GetBuffer() const { return memory; }
  int GetBufferSize() const { return memorySize; }

  // 32-bit pixels. GetAddress counts rows from the bottom; the others from
  // the top. Pixels outside the bitmap are left alone (and read as 0).
  uint8_t *GetAddress(int x, int row) const;
  void GetPixel(int x, int y, QColor *color) const;
  void SetPixel(int x, int y, const QColor &color);
  void Clear();
  // Copies a rectangle of `source`; the parts outside either bitmap are cut.
  void CopyRect(const QBitMap &source, int sx, int sy, int w, int h, int dx, int dy);

  // Channels are byte indices 0-3 of a 32-bit pixel; -1 for w or h means the
  // whole width or height, -1 for the destination channel the same one.
  void InvertChannel(int channel, int x = 0, int y = 0, int w = -1, int h = -1);
  void CopyChannel(const QBitMap &source, int sourceChannel, int destinationChannel, int sx = 0, int sy = 0,
                   int w = -1, int h = -1, int dx = 0, int dy = 0);
  void SwapBytes();

  void SetAlpha(int alpha);
  // alpha = alpha * mul / div + add, at most 255.
  void ScaleAlpha(int mul, int div, int add);
  bool HasTransparency() const;
  int KeyMagenta();
  int KeyColor(int rgb);
  // Alpha 0 where the pixel's colour is the key (0xRRGGBB), 255 elsewhere.
  int KeyColorToAlpha(int rgb);
  void MaskFromAlpha();
  void ClearTransparent();
  void SetWhite();
  void Lut(int level, bool anyAlpha);
  // 0: by the number of transparent neighbours; 1: mean of the 3 x 3 block;
  // 2, 3, 4: box filters of 2, 3 and 4 pixels.
  void SoftenAlpha(int type);

  // Filters on red, green and blue (Brightness, Gray, Colorize) or alpha
  // (Fade, BoxAlpha), and alpha turned into grey.
  void Brightness(int amount);
  void Fade(int amount);
  void Gray(int weight);
  void Colorize(const QColor &color, int amount);
  void BoxAlpha(int size);
  void AlphaToGray();
  // Shapes grown by one pixel: a pixel of four zero bytes beside (left,
  // right, above, below) a pixel whose red byte isn't zero takes the colour
  // 0xRRGGBB (as KeyColor reads it) with alpha 255. Decided on the pixels as
  // they were: a pixel coloured here doesn't grow further.
  void GrowShapes(int rgb);
  // Every pixel with alpha casts a shadow `columns` to the right and `rows`
  // down (from the top; negative: left and up) in the colour 0xRRGGBB with
  // alpha 255, onto pixels of alpha 0 only and within the bitmap. Decided on
  // the pixels as they were: a shadow casts no shadow.
  void DropShadow(int columns, int rows, int rgb);

  // Copies (angle 0) or turns (90, 180, 270; square regions only) the
  // region `source` into `destination` at dxy; rows of turned regions count
  // from the bottom.
  bool Rotate(int angle, const QRect &source, QBitMap *destination, const int dxy[2]);
  // Nearest-neighbour scaling of a 32-bit bitmap.
  bool Scale(int newWidth, int newHeight);

  bool Write(const char *path, int format, int quality = 80);
  bool WriteTGA(const char *path, int type);
  bool WriteRGB(const char *path);
  bool WriteJPG(const char *path, int quality);

protected:
  // A 32-bit bitmap with memory; otherwise false, with a warning naming the
  // operation when one is given.
  bool Is32(const char *operation = nullptr) const;

private:
  int flags = 0;
  int depth = 0;
  int width = 0;
  int height = 0;
  uint8_t *memory = nullptr;
  int memorySize = 0;
};
