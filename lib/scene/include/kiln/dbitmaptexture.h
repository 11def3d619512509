/// \file
/// DBitMapTexture, a texture made from a pixel buffer.
#pragma once

#include <kiln/dtexture.h>

class QBitMap;

/// A texture made from a pixel buffer, usually an image file.
class DBitMapTexture : public DTexture {
public:
  /// Loads the bitmap at once; with `takeName` the texture takes its name.
  explicit DBitMapTexture(const QBitMap *bitmap, bool takeName = false);
  /// Nothing loaded yet: mipmapping, filters and compression can be set
  /// before the first LoadBitMap().
  DBitMapTexture() = default;

  const char *ClassName() const override { return "DBitMapTexture"; }
  const char *GetTypeName() const override { return "bitmapTexture"; }
  void DbgPrint() const override;

  /// Uploads a 32-bit bitmap: the first load sizes the texture to the powers
  /// of two at or above the bitmap's size, and a smaller bitmap fills its
  /// top rows unscaled (the rest is transparent black); a later load larger
  /// than the texture is cut to it. Mipmaps are built unless switched off.
  /// With no GL context current only the sizes are kept (see
  /// CreateTexture()). False for a bitmap that isn't 32-bit.
  bool LoadBitMap(const QBitMap *bitmap);

  ///@{
  /// The size of the bitmap last loaded, within the texture.
  int GetBitMapWidth() const { return bitmapWidth; }
  int GetBitMapHeight() const { return bitmapHeight; }
  ///@}

private:
  int bitmapWidth = 0, bitmapHeight = 0;
};
