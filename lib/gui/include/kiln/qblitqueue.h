// Pixel blits of a canvas gathered for one later pass, which switches
// blending only where it changes and draws overlapping plain copies
// together.
#pragma once

#include <memory>

class BlitCompositor;
class QBitMap;
class QCanvas;

class QBlitQueue {
public:
  static constexpr int kCapacity = 500;

  enum EntryFlags { BLEND = 1, SKIP = 2 };
  struct Entry {
    const QBitMap *bitmap;
    int sx, skipRows;  // rows counted from the bitmap's bottom row
    int width, height;
    int dx, dy;        // OpenGL window coordinates
    int flags;
  };

  explicit QBlitQueue(QCanvas *canvas);
  ~QBlitQueue();
  QBlitQueue(const QBlitQueue &) = delete;
  QBlitQueue &operator=(const QBlitQueue &) = delete;

  // A full queue is executed first (with a warning).
  void Add(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy, bool blend);
  // Draws every entry not marked skip, then empties the queue.
  void Execute();
  // Width times height over the entries not marked skip.
  long GetPixelCount() const;
  int GetCount() const { return count; }
  Entry *GetEntry(int index) { return index >= 0 && index < count ? &entries[index] : nullptr; }

private:
  // Draws the entries one by one, switching blending where it changes.
  void DrawEach(const int *indices, int n, bool &blending);

  QCanvas *canvas;
  Entry entries[kCapacity];
  int count = 0;
  std::unique_ptr<BlitCompositor> compositor;
};
