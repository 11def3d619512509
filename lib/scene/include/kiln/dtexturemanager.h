// Hands out textures by reference number, loading each image file once.
#pragma once

#include <kiln/qobjectmanager.h>

class DTexture;

class DTextureManager : public QObjectManager {
public:
  // Loads the image (a stub when missing) into a texture named by the name.
  void *MakeObject(const char *name) override;
  void ReleaseObject(void *object) override;
  void DbgPrint(const char *title) override;

  // Reference numbers count from 1.
  DTexture *GetTexture(int reference) const;
};

// The global manager's texture of the reference number.
DTexture *d3GetTexture(int reference);
// A reference number (with one reference taken) for the image file.
int d3GetTextureReference(const char *fileName);
