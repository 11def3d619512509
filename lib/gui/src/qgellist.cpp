#include <kiln/qgellist.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmapgel.h>
#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qgel.h>

#include <algorithm>
#include <cstdio>

#include "gel_grid.h"
#include "safe_walk.h"

namespace {

// Rectangles by their edges, for the overlap tests of every frame.
struct Edges {
  explicit Edges(const QRect &r) : left(r.x), top(r.y), right(r.x + r.width), bottom(r.y + r.height) {}
  bool Overlaps(const Edges &o) const { return left < o.right && o.left < right && top < o.bottom && o.top < bottom; }
  int left, top, right, bottom;
};

}  // namespace

QGelList::QGelList(int listFlags) : flags(listFlags) {
  if (QApp *app = QGetApp(); app && app->GetBC()) canvas = app->GetBC()->GetCanvas();
}

QGelList::~QGelList() {
  for (QGel *gel = first; gel;) {
    QGel *next = gel->next;
    gel->list = nullptr;
    gel->next = nullptr;
    gel = next;
  }
}

void QGelList::Add(QGel *gel) {
  if (!gel) return;
  if (gel->list) {
    qerr("QGelList::Add; %p was already inserted into a list\n", static_cast<void *>(gel));
    return;
  }
  gel->next = first;
  gel->list = this;
  first = gel;
  ++changes;
  Unsort();
}

bool QGelList::Remove(QGel *gel) {
  for (QGel **link = &first; *link; link = &(*link)->next) {
    if (*link != gel) continue;
    Walk::Forget(walks, gel, gel->next);
    ++changes;
    *link = gel->next;
    gel->next = nullptr;
    gel->list = nullptr;
    return true;
  }
  qerr("QGelList::Remove: gel was not found");
  return false;
}

void QGelList::SetCanvas(QCanvas *newCanvas) {
  canvas = newCanvas;
  for (QGel *gel = first; gel; gel = gel->next) gel->SetCanvas(newCanvas);
}

int QGelList::GetMinDepth() const {
  if (!first) return 0;
  int depth = first->GetDepth();
  for (QGel *gel = first; gel; gel = gel->next) depth = std::min(depth, gel->GetDepth());
  return depth;
}

int QGelList::GetMaxDepth() const {
  if (!first) return 0;
  int depth = first->GetDepth();
  for (QGel *gel = first; gel; gel = gel->next) depth = std::max(depth, gel->GetDepth());
  return depth;
}

QGel *QGelList::GelAt(int x, int y) const {
  QGel *found = nullptr;
  for (QGel *gel = first; gel; gel = gel->next) {
    if (gel->IsHidden() || !gel->GetRect().Contains(x, y)) continue;
    if (!found || gel->GetDepth() > found->GetDepth()) found = gel;
  }
  return found;
}

void QGelList::ShowKey(int key) {
  for (QGel *gel = first; gel; gel = gel->next) {
    if (gel->GetKey() == key) gel->Show();
  }
}

void QGelList::ShowAll() {
  for (QGel *gel = first; gel; gel = gel->next) gel->Show();
}

void QGelList::HideKey(int key) {
  for (QGel *gel = first; gel; gel = gel->next) {
    if (gel->GetKey() == key) gel->Hide();
  }
}

void QGelList::HideAll() {
  for (QGel *gel = first; gel; gel = gel->next) gel->Hide();
}

void QGelList::InvalidateAll() {
  for (QGel *gel = first; gel; gel = gel->next) gel->Invalidate();
}

bool QGelList::NeedsPaint() const {
  for (QGel *gel = first; gel; gel = gel->next) {
    if (gel->IsDirty()) return true;
  }
  return false;
}

void QGelList::Sort() {
  std::vector<QGel *> sorted;
  for (QGel *gel = first; gel; gel = gel->next) sorted.push_back(gel);
  std::stable_sort(sorted.begin(), sorted.end(), [](const QGel *a, const QGel *b) { return a->GetDepth() < b->GetDepth(); });
  QGel **link = &first;
  for (QGel *gel : sorted) {
    *link = gel;
    link = &gel->next;
  }
  *link = nullptr;
  flags |= SORTED;
}

void QGelList::SavePlaces() {
  for (QGel *gel = first; gel; gel = gel->next) {
    if (!(gel->GetFlags() & QGEL_KEEP_PLACES)) continue;
    gel->beforePrevious = gel->previous;
    gel->depthBeforePrevious = gel->previousDepth;
    gel->previous = gel->shown;
    gel->previousDepth = gel->shownDepth;
  }
}

void QGelList::PaintAll() {
  if (!canvas) {
    std::printf("** cv==0\n");
    return;
  }
  if (!(flags & SORTED)) Sort();
  Walk walk(walks, first);
  while (QGel *gel = walk.Next()) {
    if (!gel->IsHidden()) gel->Paint();
  }
}

void QGelList::Update() {
  if (!canvas) {
    std::printf("** cv==0\n");
    return;
  }
  if (!(flags & SORTED)) Sort();
  const bool queued = canvas->GetFlags() & QCANVAS_QUEUE_BLITS;
  canvas->SetFlags(QCANVAS_QUEUE_BLITS);
  // Gels that only blit let the frame wait for one pass, which then draws
  // each pixel once.
  const bool onlyBlits = OnlyBitmapGels();
  if (onlyBlits) {
    canvas->HoldBlits(true);
    // Nothing moves them until the frame is drawn: a change looks only at
    // the gels near it.
    if (!grid) grid = std::make_unique<kiln::gui::GelGrid>();
    grid->Build(first);
    gridChanges = changes;
  }
  {
    Walk walk(walks, first);
    while (QGel *gel = walk.Next()) {
      if (!gel->IsDirty()) continue;
      Propagate(gel);
      // The callbacks on the way may have taken the gel away.
      if (!walk.CurrentStays()) continue;
      if (!gel->IsHidden()) gel->Paint();
      if (!walk.CurrentStays()) continue;
      gel->flags &= (gel->flags & QGEL_DIRTY_AGAIN) ? ~QGEL_DIRTY_AGAIN : ~QGEL_DIRTY;
    }
  }
  canvas->FlushBlits();
  if (onlyBlits) canvas->HoldBlits(false);
  ++changes;  // the grid is for this frame only
  if (!queued) canvas->ClearFlags(QCANVAS_QUEUE_BLITS);
  for (QGel *gel = first; gel; gel = gel->next) {
    gel->shown = gel->GetRect();
    gel->shownDepth = gel->GetDepth();
  }
  Walk walk(walks, first);
  while (QGel *gel = walk.Next()) gel->PostPaint();
}

bool QGelList::OnlyBitmapGels() const {
  for (const QGel *gel = first; gel; gel = gel->next) {
    if (!QBitmapGel::IsPlain(gel)) return false;
  }
  return true;
}

void QGelList::Propagate(QGel *changed) {
  const Edges now(changed->GetRect()), before(changed->previous);
  const int depth = changed->GetDepth();
  const auto touch = [&](QGel *other) {
    if (other == changed || other->IsHidden()) return;
    const QRect place = other->GetRect();
    const Edges edges(place);
    if (other->GetDepth() > depth) {
      // Painted later, over the change.
      if (edges.Overlaps(now) || edges.Overlaps(before)) other->flags |= QGEL_DIRTY;
      return;
    }
    // Under the change: what it uncovered is painted again at once.
    if (!edges.Overlaps(before)) return;
    QRect part = place;
    part.Clip(changed->previous);
    part.x -= place.x;
    part.y -= place.y;
    other->PaintPart(part);
  };
  if (grid && gridChanges == changes) {
    // Only the gels near the change can be touched by it.
    const int left = std::min(now.left, before.left), top = std::min(now.top, before.top);
    const QRect area{left, top, std::max(now.right, before.right) - left, std::max(now.bottom, before.bottom) - top};
    for (QGel *other : grid->Near(area)) {
      if (gridChanges != changes) return;  // a gel left under us: the pointers may be gone
      touch(other);
    }
    return;
  }
  Walk walk(walks, first);
  while (QGel *other = walk.Next()) touch(other);
}
