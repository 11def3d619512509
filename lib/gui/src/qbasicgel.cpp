#include <kiln/qbasicgel.h>

namespace {

int currentGelKey = 0;

}  // namespace

void SetGelKey(int key) { currentGelKey = key; }

QBasicGel::QBasicGel(int flags) : flags(flags), key(currentGelKey) {}

void QBasicGel::SetPos(int newX, int newY, int newDepth) {
  x = newX;
  y = newY;
  depth = newDepth;
}

void QBasicGel::SetSize(int newWidth, int newHeight) {
  width = newWidth;
  height = newHeight;
}

void QBasicGel::Show() { flags = (flags & ~QGEL_HIDDEN) | QGEL_MARKED; }

void QBasicGel::Hide() {
  if (!IsHidden()) flags |= QGEL_HIDDEN | QGEL_MARKED;
}
