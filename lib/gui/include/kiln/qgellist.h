/// \file
/// QGelList, gels in depth order.
#pragma once

#include <memory>
#include <vector>

#include <kiln/qobject.h>

class QCanvas;
class QGel;
namespace kiln::gui {
class GelGrid;
template <typename Member>
class SafeWalk;
}

/// The gels of a canvas in depth order (higher depths are painted later, on
/// top), repainting each frame only the gels that changed and what they
/// uncover or overlap.
class QGelList : public QObject {
public:
  /// Flags of a list.
  enum Flags {
    SORTED = 1  ///< in depth order; cleared when a gel joins or moves in depth
  };

  /// An empty list without a canvas.
  explicit QGelList(int flags = 0);
  /// The gels stay, on their own.
  ~QGelList() override;

  const char *ClassName() const override { return "QGelList"; }
  /// At the head: it is sorted in before the next paint.
  void Add(QGel *gel);
  /// Takes the gel out; false (with a message) when it isn't there.
  bool Remove(QGel *gel);
  /// The canvas the gels paint on (not owned).
  void SetCanvas(QCanvas *newCanvas);
  /// The canvas, or null.
  QCanvas *GetCanvas() const { return canvas; }
  /// The first gel (the deepest once sorted), or null.
  QGel *GetFirst() const { return first; }
  /// Sorts again before the next paint.
  void Unsort() { flags &= ~SORTED; }

  ///@{
  /// The smallest and largest depth of the gels; 0 without gels.
  int GetMinDepth() const;
  int GetMaxDepth() const;
  ///@}
  /// The visible gel holding the point with the highest depth (the first of
  /// equals), or null.
  QGel *GelAt(int x, int y) const;
  ///@{
  /// Shows or hides the gels of a key, or all of them.
  void ShowKey(int key);
  void ShowAll();
  void HideKey(int key);
  void HideAll();
  ///@}
  /// Marks every gel for repaint.
  void InvalidateAll();
  /// True when a gel is marked for repaint.
  bool NeedsPaint() const;

  /// By ascending depth, equal depths in their order.
  void Sort();
  /// Each gel that keeps its places remembers where the last frame showed
  /// it (for GetPreviousRect()).
  void SavePlaces();
  /// Paints every visible gel in depth order.
  void PaintAll();
  /// Paints the marked gels with their blits queued, then calls every
  /// gel's PostPaint.
  void Update();

private:
  using Walk = kiln::gui::SafeWalk<QGel>;
  /// Marks or repaints what the marked gel's change touches.
  void Propagate(QGel *gel);
  /// True when every gel is a plain QBitmapGel: painting them only blits.
  bool OnlyBitmapGels() const;

  int flags;
  QGel *first = nullptr;
  QCanvas *canvas = nullptr;
  std::vector<Walk *> walks;
  /// The gels by place, for a frame whose gels only blit.
  std::unique_ptr<kiln::gui::GelGrid> grid;
  /// Gels joined or left, and the count the grid was built at.
  unsigned long changes = 0, gridChanges = 0;
};
