#include "window_hit_grid.h"

#include <kiln/qwindow.h>
#include <kiln/qxwindow.h>

#include <algorithm>

namespace kiln::gui {

namespace {

unsigned long layoutGeneration = 1;

// The window's nearest real ancestor (itself when real) and its place there.
const QWindow *RealOf(const QWindow *window, QRect *place) {
  if (window->IsX()) {
    place->Set(0, 0, window->GetRect().width, window->GetRect().height);
    return window;
  }
  *place = window->GetRect();
  const QWindow *real = window->GetParent();
  for (; real && !real->IsX(); real = real->GetParent()) {
    place->x += real->GetRect().x;
    place->y += real->GetRect().y;
  }
  return real;
}

bool Holds(const QRect &place, int x, int y) {
  return x >= place.x && y >= place.y && x < place.x + place.width && y < place.y + place.height;
}

}  // namespace

void NoteWindowLayoutChange() { ++layoutGeneration; }

unsigned long WindowLayoutGeneration() { return layoutGeneration; }

void WindowHitGrid::Build(QWindow *const *slots, int used) {
  grids.clear();
  generation = layoutGeneration;
  built = true;
  shortcutWindows = false;
  for (int i = 0; i < used; ++i) {
    QWindow *window = slots[i];
    if (window && (window->GetEventMask() & QWEC_SHORTCUT)) shortcutWindows = true;
    if (!window || !window->IsVisible() || !window->IsEnabled()) continue;
    QRect place;
    const QWindow *real = RealOf(window, &place);
    if (!real || !real->GetQXWindow()) continue;
    Grid &grid = grids[real->GetQXWindow()->GetXWindow()];
    grid.real = real;
    grid.entries.push_back({window, place});
  }
  for (auto &[xwindow, grid] : grids) {
    grid.columns = std::max(1, (grid.real->GetRect().width + kCell - 1) / kCell);
    grid.rows = std::max(1, (grid.real->GetRect().height + kCell - 1) / kCell);
    grid.cells.assign(static_cast<std::size_t>(grid.columns) * grid.rows, {});
    for (int index = 0; index < static_cast<int>(grid.entries.size()); ++index) {
      const QRect &place = grid.entries[static_cast<std::size_t>(index)].place;
      if (place.width <= 0 || place.height <= 0) continue;
      const int left = std::max(0, place.x / kCell), top = std::max(0, place.y / kCell);
      const int right = std::min(grid.columns - 1, (place.x + place.width - 1) / kCell);
      const int bottom = std::min(grid.rows - 1, (place.y + place.height - 1) / kCell);
      for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column)
          grid.cells[static_cast<std::size_t>(row) * grid.columns + column].push_back(index);
      }
    }
  }
}

QWindow *WindowHitGrid::Find(Window xwindow, int x, int y) const {
  const auto at = grids.find(xwindow);
  // An X window made again since is no longer this real window's.
  const bool known = at != grids.end() && at->second.real->GetQXWindow() &&
                     at->second.real->GetQXWindow()->GetXWindow() == xwindow;
  if (!known) return nullptr;
  const Grid &grid = at->second;
  if (x < 0 || y < 0 || x / kCell >= grid.columns || y / kCell >= grid.rows) {
    // Off the real window (a grabbed pointer): every window of it, in order.
    for (const Entry &entry : grid.entries) {
      if (Holds(entry.place, x, y)) return entry.window;
    }
    return nullptr;
  }
  for (const int index : grid.cells[static_cast<std::size_t>(y / kCell) * grid.columns + x / kCell]) {
    const Entry &entry = grid.entries[static_cast<std::size_t>(index)];
    if (Holds(entry.place, x, y)) return entry.window;
  }
  return nullptr;
}

}  // namespace kiln::gui
