/// \file
/// QBlitQueue, blits gathered for one later pass.
#pragma once

#include <memory>
#include <vector>

namespace kiln::gui {
class BlitCompositor;
class BlitTextures;
}
class QBitMap;
class QCanvas;

/// Pixel blits of a canvas gathered for one later pass, which switches
/// blending only where it changes. Bitmaps blitted again and again are
/// kept as textures and drawn as quads, many to a draw call, where the
/// frame's state makes that write the same pixels; otherwise overlapping
/// plain copies are drawn together.
class QBlitQueue {
public:
  /// The most blits a queue holds.
  static constexpr int kCapacity = 500;

  /// Flags of an entry.
  enum EntryFlags {
    BLEND = 1,  ///< drawn over what is there by its alpha
    SKIP = 2    ///< left out when the queue is drawn
  };
  /// One blit: a rectangle of a bitmap drawn at a place.
  struct Entry {
    const QBitMap *bitmap;  ///< not owned; must live until the queue is drawn
    int sx;                 ///< the rectangle's left column in the bitmap
    int skipRows;           ///< its first row, counted from the bitmap's bottom row
    int width;              ///< the rectangle's width
    int height;             ///< the rectangle's height
    int dx;                 ///< where it goes: OpenGL window coordinates
    int dy;                 ///< likewise, from the bottom
    int flags;              ///< EntryFlags
  };

  /// An empty queue drawing through the canvas (not owned).
  explicit QBlitQueue(QCanvas *canvas);
  ~QBlitQueue();
  QBlitQueue(const QBlitQueue &) = delete;
  QBlitQueue &operator=(const QBlitQueue &) = delete;

  /// A full queue is executed first (with a warning), unless held.
  void Add(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy, bool blend);
  /// Draws every entry not marked skip, then empties the queue.
  void Execute();
  /// Width times height over the entries not marked skip.
  long GetPixelCount() const;
  /// The number of entries waiting.
  int GetCount() const { return static_cast<int>(entries.size()); }
  /// An entry, to mark it SKIP for instance; null outside the queue.
  Entry *GetEntry(int index) { return index >= 0 && index < GetCount() ? &At(index) : nullptr; }
  /// While held, the queue grows past kCapacity instead of drawing early:
  /// for a caller that knows nothing else draws on the canvas until the
  /// queue is executed, so that one pass draws all of it.
  void Hold(bool on) { held = on; }

private:
  /// Draws the entries one by one, switching blending where it changes.
  void DrawEach(const int *indices, int n, bool &blending);

  Entry &At(int index) { return entries[static_cast<std::size_t>(index)]; }

  QCanvas *canvas;
  std::vector<Entry> entries;
  bool held = false;
  std::unique_ptr<kiln::gui::BlitCompositor> compositor;
  /// The bitmaps kept as textures, where the state lets them be drawn so.
  std::unique_ptr<kiln::gui::BlitTextures> textures;
};
