// Where the window under the pointer is found without walking every
// window: the registered windows by the real window they lie in, each real
// window cut into cells that list the windows over them in stacking order;
// and whether any window takes shortcuts. Built again whenever a window
// moved, changed size, was shown, hidden, enabled, disabled, raised, added
// or went, or changed its event mask.
#pragma once

#include <X11/Xlib.h>

#include <unordered_map>
#include <vector>

#include <kiln/qrect.h>

class QWindow;

namespace kiln::gui {

// Counts the changes to where windows are and which take the pointer.
void NoteWindowLayoutChange();
unsigned long WindowLayoutGeneration();

class WindowHitGrid {
public:
  // From the window manager's slots, topmost first.
  void Build(QWindow *const *slots, int used);
  // Whether no change was noted since the last Build().
  bool IsCurrent() const { return built && generation == WindowLayoutGeneration(); }
  // The topmost visible, enabled window holding the point of the X window,
  // as a walk of the slots would find it; null where there is none, and for
  // an X window that is no registered real window's (making a window again
  // is a change, so the grid knows every one there is).
  QWindow *Find(Window xwindow, int x, int y) const;
  // Whether a registered window has QWEC_SHORTCUT in its event mask.
  bool HasShortcutWindows() const { return shortcutWindows; }

private:
  static constexpr int kCell = 64;
  struct Entry {
    QWindow *window;
    QRect place;  // in the real window
  };
  struct Grid {
    const QWindow *real = nullptr;
    int columns = 0, rows = 0;
    std::vector<Entry> entries;             // topmost first
    std::vector<std::vector<int>> cells;    // entry indices, topmost first
  };

  std::unordered_map<Window, Grid> grids;
  unsigned long generation = 0;
  bool built = false;
  bool shortcutWindows = false;
};

}  // namespace kiln::gui
