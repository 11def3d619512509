/// \file
/// DDrawableTexture, a texture copied from the frame buffer.
#pragma once

#include <kiln/dtexture.h>

class QDrawable;

/// A texture the size of a window or canvas (rounded up to powers of two),
/// into which the frame buffer is copied.
class DDrawableTexture : public DTexture {
public:
  /// Makes the GL texture at once, in the current context.
  explicit DDrawableTexture(QDrawable *drawable);

  const char *ClassName() const override { return "DDrawableTexture"; }
  const char *GetTypeName() const override { return "drawableTexture"; }

  /// Copies the drawable's pixels from the front or back buffer into level
  /// 0, then reads from the back buffer again. Blending is left off.
  void CopyFromBuffer(bool front);
  /// The row where the copy goes: 448 where the picture fits below the top,
  /// else against the top.
  int GetCopyOffsetY() const;

private:
  QDrawable *drawable;
};
