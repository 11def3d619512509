// Queued blits drawn as textured quads, many to a draw call, from textures
// that keep the bitmaps a program blits again and again: glDrawPixels
// costs a renderer as much for a 32 x 32 picture as for a large one. A
// bitmap's pixels are copied into a texture (small ones share one large
// texture) with a copy kept beside it; each blit first compares what it
// draws with that copy and sends what changed, so the texture always holds
// what the bitmap holds. The quads land on exactly the pixels glDrawPixels
// would write, with the same colours, leaving out what later opaque blits
// cover: the path is taken only where the frame's state makes them the
// same (no depth, fog, alpha or stencil test, no logic operation, no pixel
// zoom or transfer, no other texture unit or program).
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include <kiln/qblitqueue.h>

#include "visible_parts.h"

class QGLContext;

namespace kiln::gui {

class BlitTextures {
public:
  BlitTextures() = default;
  // The textures are deleted when their context is current; otherwise the
  // context takes them with it.
  ~BlitTextures();
  BlitTextures(const BlitTextures &) = delete;
  BlitTextures &operator=(const BlitTextures &) = delete;

  // Whether the current state lets quads write what glDrawPixels would.
  static bool StateAllows();

  // Draws the entries in order (those marked SKIP left out), switching
  // blending where it changes, in a window of that size: as quads where a
  // texture can hold the bitmap, by glDrawPixels otherwise. The state comes
  // back as it was; true when the last entry drawn was blended.
  bool Draw(const QBlitQueue::Entry *entries, int count, int windowWidth, int windowHeight);

private:
  // Where a bitmap lies in a texture, and the copy of its pixels the
  // texture holds.
  struct Slot {
    GLuint texture = 0;  // the shared one, or a texture of its own
    bool own = false;
    int x = 0, y = 0;    // its place in the texture
    int width = 0, height = 0, textureWidth = 0, textureHeight = 0;
    std::vector<uint8_t> copy;
    unsigned long used = 0;  // the draw that used it last
  };
  // The bitmap's slot; null when no texture can hold it.
  Slot *SlotFor(const QBitMap *bitmap);
  Slot *Find(const QBitMap *bitmap);
  // Sends what changed in a rectangle of the bitmap since its slot took it.
  void Refresh(Slot &slot, const QBitMap &bitmap, int sx, int skipRows, int width, int height);
  void PlaceInShared(Slot &slot);
  // Draws the quads gathered for the run's texture (before that texture
  // changes under them).
  void FlushRun();
  void Upload(const Slot &slot, const QBitMap &bitmap, int sx, int row, int width, int height) const;
  void Forget(const QBitMap *bitmap);
  void Release();

  QGLContext *context = nullptr;  // whose textures these are
  std::unordered_map<const QBitMap *, Slot> slots;
  const QBitMap *lastBitmap = nullptr;  // the bitmap SlotFor() found last, and its slot
  Slot *lastSlot = nullptr;
  GLuint shared = 0;
  int shelfX = 0, shelfY = 0, shelfHeight = 0;  // the next free place in the shared texture
  long keptBytes = 0;
  unsigned long draws = 0;
  VisibleParts visible;      // what of each entry shows
  std::vector<float> quads;  // x, y, s, t per corner of the current run
  GLuint runTexture = 0;     // the texture they are drawn from
};

}  // namespace kiln::gui
