// The gels of a canvas in depth order (higher depths are painted later, on
// top), repainting each frame only the gels that changed and what they
// uncover or overlap.
#pragma once

#include <vector>

#include <kiln/qobject.h>

class QCanvas;
class QGel;
template <typename Member>
class SafeWalk;

class QGelList : public QObject {
public:
  enum Flags { SORTED = 1 };

  explicit QGelList(int flags = 0);
  // The gels stay, on their own.
  ~QGelList() override;

  const char *ClassName() const override { return "QGelList"; }
  // At the head: it is sorted in before the next paint.
  void Add(QGel *gel);
  bool Remove(QGel *gel);
  void SetCanvas(QCanvas *newCanvas);
  QCanvas *GetCanvas() const { return canvas; }
  QGel *GetFirst() const { return first; }
  void Unsort() { flags &= ~SORTED; }

  int GetMinDepth() const;
  int GetMaxDepth() const;
  // The visible gel holding the point with the highest depth (the first of
  // equals), or null.
  QGel *GelAt(int x, int y) const;
  void ShowKey(int key);
  void ShowAll();
  void HideKey(int key);
  void HideAll();
  void InvalidateAll();
  bool NeedsPaint() const;

  // By ascending depth, equal depths in their order.
  void Sort();
  void SavePlaces();
  void PaintAll();
  // Paints the marked gels with their blits queued, then calls every
  // gel's PostPaint.
  void Update();

private:
  using Walk = SafeWalk<QGel>;
  // Marks or repaints what the marked gel's change touches.
  void Propagate(QGel *gel);

  int flags;
  QGel *first = nullptr;
  QCanvas *canvas = nullptr;
  std::vector<Walk *> walks;
};
