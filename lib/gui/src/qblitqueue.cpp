#include <kiln/qblitqueue.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>

#include <GL/gl.h>

void QBlitQueue::Add(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy, bool blend) {
  if (count == kCapacity) {
    qwarn("QBlitQueue: overflow; executing current list");
    Execute();
  }
  entries[count++] = Entry{bitmap, sx, skipRows, width, height, dx, dy, blend ? BLEND : 0};
}

void QBlitQueue::Execute() {
  if (count == 0) return;
  canvas->Select();
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  bool blending = false;
  for (int i = 0; i < count; ++i) {
    const Entry &entry = entries[i];
    if (entry.flags & SKIP) continue;
    // Blending switches only where it changes.
    const bool blend = entry.flags & BLEND;
    if (blend != blending) {
      blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
      blending = blend;
    }
    QCanvas::DrawRows(entry.bitmap, entry.sx, entry.skipRows, entry.width, entry.height, entry.dx, entry.dy);
  }
  count = 0;
}

long QBlitQueue::GetPixelCount() const {
  long pixels = 0;
  for (int i = 0; i < count; ++i) {
    if (!(entries[i].flags & SKIP)) pixels += static_cast<long>(entries[i].width) * entries[i].height;
  }
  return pixels;
}
