#include <kiln/qgel.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qdebug.h>
#include <kiln/qgellist.h>

#include <cstdio>

QGel::QGel(int gelFlags) : QBasicGel(gelFlags | QGEL_KEEP_PLACES | QGEL_MARKED) {
  QApp *app = QGetApp();
  QGelList *appList = app && app->GetBC() ? app->GetGelList() : nullptr;
  if (!appList) {
    qerr("QGel; no application BC to paint on");
    return;
  }
  canvas = app->GetBC()->GetCanvas();
  appList->Add(this);
}

QGel::~QGel() {
  if (!list) return;
  if (!IsHidden()) {
    // What this gel covered shows again.
    const QRect now = GetRect();
    for (QGel *gel = list->GetFirst(); gel; gel = gel->next) {
      if (gel == this || gel->IsHidden()) continue;
      const QRect place = gel->GetRect();
      if (place.Overlaps(now) || place.Overlaps(previous)) gel->Invalidate();
    }
  }
  list->Remove(this);
}

void QGel::Mark() { flags |= QGEL_MARKED; }

void QGel::SetPos(int newX, int newY, int newDepth) {
  if (newX == x && newY == y && newDepth == depth) return;
  if (newDepth != depth && list) list->Unsort();
  QBasicGel::SetPos(newX, newY, newDepth);
  Mark();
}

void QGel::SetSize(int newWidth, int newHeight) {
  if (newWidth == width && newHeight == height) return;
  QBasicGel::SetSize(newWidth, newHeight);
  Mark();
}

void QGel::SetDepth(int newDepth) {
  depth = newDepth;
  if (list) list->Unsort();
}

void QGel::SetProperty(int which, int value) {
  int *property = which == 0 ? &x : which == 1 ? &y : nullptr;
  if (!property || *property == value) return;
  *property = value;
  Mark();
}

int QGel::GetProperty(int which) const { return which == 0 ? x : which == 1 ? y : 0; }

void QGel::PaintPart(const QRect &) {
  std::printf("** QGel::PaintPart NYI!\n");
  Paint();
}
