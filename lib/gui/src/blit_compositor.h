// Queued blits that overlap, drawn as one: plain copies (no blending) of
// 32-bit pixels are put together in memory and drawn as the few rectangles
// their union makes, instead of one draw per blit. The pixels come out as
// the blits one by one would leave them.
#pragma once

#include <cstdint>
#include <vector>

#include <kiln/qbitmap.h>
#include <kiln/qblitqueue.h>
#include <kiln/qrect.h>

namespace kiln::gui {

class BlitCompositor {
public:
  // Whether the entry can be put together in memory.
  static bool CanCompose(const QBlitQueue::Entry &entry);

  // Draws the entries (each of which CanCompose), in this order, within a
  // window of the size given; false, having drawn nothing, when drawing
  // them one by one would take no more draws.
  bool Draw(const std::vector<const QBlitQueue::Entry *> &entries, int windowWidth, int windowHeight);

private:
  struct Span {
    int left, right;  // columns [left, right) of the staging picture
    bool operator==(const Span &other) const { return left == other.left && right == other.right; }
  };
  // The covered columns of staging row `row`.
  void SpansOf(int row, std::vector<Span> &spans) const;

  QBitMap staging;               // the union's bounding box, rows from the bottom
  std::vector<uint32_t> pixels;  // its memory, kept from draw to draw
  std::vector<unsigned char> covered;
  QRect box{};                   // in window coordinates, y up
};

}  // namespace kiln::gui
