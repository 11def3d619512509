#include "blit_compositor.h"

#include <kiln/qcanvas.h>

#include <algorithm>
#include <cstring>

namespace kiln::gui {

bool BlitCompositor::CanCompose(const QBlitQueue::Entry &entry) {
  return !(entry.flags & (QBlitQueue::BLEND | QBlitQueue::SKIP)) && entry.bitmap->GetDepth() == 32;
}

void BlitCompositor::SpansOf(int row, std::vector<Span> &spans) const {
  spans.clear();
  const unsigned char *line = covered.data() + static_cast<std::size_t>(row) * box.width;
  for (int x = 0; x < box.width;) {
    if (!line[x]) {
      ++x;
      continue;
    }
    const int left = x;
    while (x < box.width && line[x]) ++x;
    spans.push_back(Span{left, x});
  }
}

bool BlitCompositor::Draw(const std::vector<const QBlitQueue::Entry *> &entries, int windowWidth, int windowHeight) {
  // The entries cut to the window: nothing outside it is ever drawn.
  QRect window;
  window.Set(0, 0, windowWidth, windowHeight);
  bool first = true;
  for (const QBlitQueue::Entry *entry : entries) {
    QRect place;
    place.Set(entry->dx, entry->dy, entry->width, entry->height);
    place.Clip(window);
    if (place.IsEmpty()) continue;
    if (first) box = place;
    else box.Unite(place);
    first = false;
  }
  if (first) return true;  // all outside: nothing to draw
  // Only covered pixels are drawn: the staging memory needn't be cleared.
  const std::size_t area = static_cast<std::size_t>(box.width) * box.height;
  if (pixels.size() < area) pixels.resize(area);
  staging.Alloc(32, box.width, box.height, 0, reinterpret_cast<uint8_t *>(pixels.data()));
  covered.assign(static_cast<std::size_t>(box.width) * box.height, 0);

  for (const QBlitQueue::Entry *entry : entries) {
    QRect place;
    place.Set(entry->dx, entry->dy, entry->width, entry->height);
    place.Clip(window);
    if (place.IsEmpty()) continue;
    const int fromX = entry->sx + place.x - entry->dx, fromRow = entry->skipRows + place.y - entry->dy;
    for (int row = 0; row < place.height; ++row) {
      const int to = place.y - box.y + row;
      std::memcpy(staging.GetAddress(place.x - box.x, to), entry->bitmap->GetAddress(fromX, fromRow + row),
                  static_cast<std::size_t>(place.width) * 4);
      std::memset(covered.data() + static_cast<std::size_t>(to) * box.width + (place.x - box.x), 1,
                  static_cast<std::size_t>(place.width));
    }
  }

  // The covered pixels as bands of rows with the same spans.
  struct Piece {
    Span span;
    int row, rows;
  };
  std::vector<Piece> pieces;
  std::vector<Span> spans, bandSpans;
  int bandStart = 0;
  for (int row = 0; row <= box.height; ++row) {
    if (row < box.height) SpansOf(row, spans);
    else spans.clear();
    if (row < box.height && spans == bandSpans) continue;
    for (const Span &span : bandSpans) pieces.push_back(Piece{span, bandStart, row - bandStart});
    bandSpans.swap(spans);
    bandStart = row;
  }
  if (pieces.size() >= entries.size()) return false;
  for (const Piece &piece : pieces) {
    QCanvas::DrawRows(&staging, piece.span.left, piece.row, piece.span.right - piece.span.left, piece.rows,
                      box.x + piece.span.left, box.y + piece.row);
  }
  return true;
}

}  // namespace kiln::gui
