/// \file
/// Image files as texture images, stub images, and textured quads.
#pragma once

#include <kiln/qrect.h>

class DTexture;
class QBitMap;

/// The image file as a 32-bit image, found along the global search path and
/// reduced to the global limits; never null: a file that can't be read gives
/// the red and blue checkerboard, and switched-off image loading a one-pixel
/// colour. The caller deletes the image.
QBitMap *d3LoadTextureMap(const char *name);

/// 0: the 2 x 2 red and blue checkerboard; 1: one pixel in the next colour
/// of a cycle of eight. Others warn and give type 0.
QBitMap *DMakeStubImage(int type);

/// One quad in the plane z = 0 centred on (x - width / 2, 0), through the
/// current GL context's state wrappers; blend mode 1 blends by alpha.
void DrawTextureQuad(DTexture *texture, const QRect &rect, int blendMode);
/// The same with a texture of the global texture manager.
void DrawTextureQuad(int textureReference, const QRect &rect, int blendMode);
