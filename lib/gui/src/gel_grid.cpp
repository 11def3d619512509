#include "gel_grid.h"

#include <kiln/qgel.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace kiln::gui {

namespace {

constexpr int kMostCellsAcross = 64;

}  // namespace

void GelGrid::CellsOf(int from, int size, int origin, int count, int &firstCell, int &lastCell) const {
  const int64_t start = int64_t{from} - origin, end = start + std::max(size, 1) - 1;
  firstCell = static_cast<int>(std::clamp<int64_t>(start / cellSize, 0, count - 1));
  lastCell = static_cast<int>(std::clamp<int64_t>(end / cellSize, 0, count - 1));
}

void GelGrid::Build(QGel *first) {
  gels.clear();
  left = top = 0;
  int64_t right = 1, bottom = 1;
  for (QGel *gel = first; gel; gel = gel->GetNext()) {
    if (gel->IsHidden()) continue;
    const QRect place = gel->GetRect();
    const int64_t placeRight = int64_t{place.x} + std::max(place.width, 1);
    const int64_t placeBottom = int64_t{place.y} + std::max(place.height, 1);
    if (gels.empty()) left = place.x, top = place.y, right = placeRight, bottom = placeBottom;
    left = std::min(left, place.x);
    top = std::min(top, place.y);
    right = std::max(right, placeRight);
    bottom = std::max(bottom, placeBottom);
    gels.push_back(gel);
  }
  // Cells of 64 pixels, larger where the gels spread far.
  const int64_t span = std::max(right - left, bottom - top);
  cellSize = static_cast<int>(std::max<int64_t>(64, (span + kMostCellsAcross - 1) / kMostCellsAcross));
  columns = static_cast<int>((right - left + cellSize - 1) / cellSize);
  rows = static_cast<int>((bottom - top + cellSize - 1) / cellSize);
  // Counted first, then filed: one array for all cells.
  cellStart.assign(static_cast<std::size_t>(columns * rows + 1), 0);
  const auto eachCell = [&](const QGel *gel, auto &&act) {
    const QRect place = gel->GetRect();
    int x0, x1, y0, y1;
    CellsOf(place.x, place.width, left, columns, x0, x1);
    CellsOf(place.y, place.height, top, rows, y0, y1);
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) act(y * columns + x);
    }
  };
  for (const QGel *gel : gels) eachCell(gel, [&](int cell) { ++cellStart[static_cast<std::size_t>(cell) + 1]; });
  for (std::size_t cell = 1; cell < cellStart.size(); ++cell) cellStart[cell] += cellStart[cell - 1];
  filed.resize(static_cast<std::size_t>(cellStart.back()));
  std::vector<int> next(cellStart.begin(), cellStart.end() - 1);
  for (std::size_t i = 0; i < gels.size(); ++i) {
    eachCell(gels[i], [&](int cell) { filed[static_cast<std::size_t>(next[static_cast<std::size_t>(cell)]++)] = static_cast<int>(i); });
  }
}

const std::vector<QGel *> &GelGrid::Near(const QRect &area) {
  int x0, x1, y0, y1;
  CellsOf(area.x, area.width, left, columns, x0, x1);
  CellsOf(area.y, area.height, top, rows, y0, y1);
  // Each cell's gels are filed in list order: the cells' lists merged keep it.
  found.clear();
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const std::size_t cell = static_cast<std::size_t>(y * columns + x);
      const int *from = filed.data() + cellStart[cell], *to = filed.data() + cellStart[cell + 1];
      merged.clear();
      std::merge(found.begin(), found.end(), from, to, std::back_inserter(merged));
      found.swap(merged);
    }
  }
  near.clear();
  for (std::size_t at = 0; at < found.size(); ++at) {
    if (at == 0 || found[at] != found[at - 1]) near.push_back(gels[static_cast<std::size_t>(found[at])]);
  }
  return near;
}

}  // namespace kiln::gui
