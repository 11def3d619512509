/// \file
/// DTextureManager, textures by reference number.
#pragma once

#include <kiln/qobjectmanager.h>

class DTexture;

/// Hands out textures by reference number, loading each image file once.
class DTextureManager : public QObjectManager {
public:
  /// Loads the image (a stub when missing) into a texture named by the name.
  void *MakeObject(const char *name) override;
  /// Detaches the texture.
  void ReleaseObject(void *object) override;
  /// Lists the textures held, under the title, on the debug output.
  void DbgPrint(const char *title) override;

  /// Reference numbers count from 1.
  DTexture *GetTexture(int reference) const;
};

/// The global manager's texture of the reference number.
DTexture *d3GetTexture(int reference);
/// A reference number (with one reference taken) for the image file.
int d3GetTextureReference(const char *fileName);
