// What of each queued blit still shows once the queue is drawn: a blit
// drawn without blending replaces every pixel under it, so the parts of
// earlier blits it covers need not be drawn at all. Frames of graphic
// elements repaint the same places several times over (the parts under a
// moved element, then the elements over it); drawing each pixel once
// leaves the same picture for a fraction of the renderer's work.
#pragma once

#include <cstdint>
#include <vector>

#include <kiln/qblitqueue.h>

namespace kiln::gui {

class VisibleParts {
public:
  // A rectangle of an entry, from the entry's bottom left corner.
  struct Part {
    int x, y, width, height;
  };
  struct Range {
    const Part *first, *last;
    const Part *begin() const { return first; }
    const Part *end() const { return last; }
  };

  // Finds the parts of each entry that show in a window of that size when
  // the entries are drawn in order (entries marked SKIP have none). A
  // colour channel masked off is masked for all of them alike, so what
  // hides one entry's pixels still does.
  void Find(const QBlitQueue::Entry *entries, int count, int windowWidth, int windowHeight);
  // The parts of entry `index`, in no particular order; they don't overlap.
  Range Of(int index) const;

  // Columns [left, right) of one row.
  struct Run {
    int left, right;
    bool operator==(const Run &other) const { return left == other.left && right == other.right; }
  };

private:
  int words = 0;                  // 64-pixel words a row
  std::vector<uint64_t> covered;  // a bit a pixel: hidden by a later entry
  std::vector<Part> parts;
  std::vector<int> firstPart, lastPart;  // entry i's parts: [firstPart[i], lastPart[i])
};

}  // namespace kiln::gui
