// The gels of a list filed by place for one frame: a change need only look
// at the gels near it, not at every gel of the list. The grid holds the
// places the gels had when it was built; it is for frames in which nothing
// moves them meanwhile.
#pragma once

#include <vector>

#include <kiln/qrect.h>

class QGel;

namespace kiln::gui {

class GelGrid {
public:
  // Files the visible gels of the list that starts at `first`.
  void Build(QGel *first);
  // The gels filed in cells that `area` touches, in list order: every gel
  // whose rectangle overlaps the area, and some that don't.
  const std::vector<QGel *> &Near(const QRect &area);

private:
  // The cells [first, last] a run of pixels [from, from + size) touches, cut to the grid.
  void CellsOf(int from, int size, int origin, int count, int &firstCell, int &lastCell) const;

  int cellSize = 64;
  int left = 0, top = 0, columns = 0, rows = 0;
  std::vector<QGel *> gels;     // in list order
  std::vector<int> cellStart;   // cell c's gels: filed[cellStart[c] .. cellStart[c + 1])
  std::vector<int> filed;       // indices into gels
  std::vector<int> found, merged;
  std::vector<QGel *> near;
};

}  // namespace kiln::gui
