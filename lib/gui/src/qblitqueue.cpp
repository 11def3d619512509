#include <kiln/qblitqueue.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>

#include <GL/gl.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "blit_compositor.h"
#include "blit_textures.h"

namespace {

bool Overlap(const QBlitQueue::Entry &a, const QBlitQueue::Entry &b) {
  return a.dx < b.dx + b.width && b.dx < a.dx + a.width && a.dy < b.dy + b.height && b.dy < a.dy + a.height;
}

int Root(std::vector<int> &parent, int i) {
  while (parent[static_cast<std::size_t>(i)] != i) i = parent[static_cast<std::size_t>(i)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(i)])];
  return i;
}

}  // namespace

QBlitQueue::QBlitQueue(QCanvas *canvas) : canvas(canvas), compositor(std::make_unique<kiln::gui::BlitCompositor>()) {
  entries.reserve(kCapacity);
}

QBlitQueue::~QBlitQueue() = default;

void QBlitQueue::Add(const QBitMap *bitmap, int sx, int skipRows, int width, int height, int dx, int dy, bool blend) {
  if (GetCount() == kCapacity && !held) {
    qwarn("QBlitQueue: overflow; executing current list");
    Execute();
  }
  entries.push_back(Entry{bitmap, sx, skipRows, width, height, dx, dy, blend ? BLEND : 0});
}

void QBlitQueue::Execute() {
  const int count = GetCount();
  if (count == 0) return;
  canvas->Select();
  if (kiln::gui::BlitTextures::StateAllows()) {
    if (!textures) textures = std::make_unique<kiln::gui::BlitTextures>();
    const bool blending = textures->Draw(entries.data(), count, canvas->GetWidth(), canvas->GetHeight());
    // Left as drawing the entries one by one leaves it.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    blending ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    entries.clear();
    return;
  }
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  bool blending = false;
  // Blits that don't overlap can be drawn in any order: the queue falls
  // into groups of overlapping ones, each kept in its order.
  std::vector<int> parent(static_cast<std::size_t>(count)), byLeft(static_cast<std::size_t>(count));
  std::iota(parent.begin(), parent.end(), 0);
  std::iota(byLeft.begin(), byLeft.end(), 0);
  std::sort(byLeft.begin(), byLeft.end(), [this](int a, int b) { return At(a).dx < At(b).dx; });
  for (std::size_t i = 0; i < byLeft.size(); ++i) {
    const Entry &left = At(byLeft[i]);
    // Only blits starting before this one ends can overlap it.
    for (std::size_t j = i + 1; j < byLeft.size() && At(byLeft[j]).dx < left.dx + left.width; ++j) {
      if (Overlap(left, At(byLeft[j]))) parent[static_cast<std::size_t>(Root(parent, byLeft[j]))] = Root(parent, byLeft[i]);
    }
  }
  // Each group in queue order, the groups one after the other.
  std::vector<int> order;
  for (int i = 0; i < count; ++i) {
    if (!(At(i).flags & SKIP)) order.push_back(i);
  }
  std::vector<int> groups(static_cast<std::size_t>(count));
  for (int i : order) groups[static_cast<std::size_t>(i)] = Root(parent, i);
  const auto groupOf = [&](int i) { return groups[static_cast<std::size_t>(i)]; };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return groupOf(a) < groupOf(b); });
  std::vector<const Entry *> plain;
  std::vector<int> group;
  for (std::size_t at = 0; at < order.size();) {
    const int root = groupOf(order[at]);
    group.clear();
    plain.clear();
    for (; at < order.size() && groupOf(order[at]) == root; ++at) {
      const int i = order[at];
      group.push_back(i);
      if (kiln::gui::BlitCompositor::CanCompose(At(i))) plain.push_back(&At(i));
    }
    const bool together = group.size() > 1 && plain.size() == group.size();
    if (!together || !compositor->Draw(plain, canvas->GetWidth(), canvas->GetHeight()))
      DrawEach(group.data(), static_cast<int>(group.size()), blending);
  }
  entries.clear();
}

void QBlitQueue::DrawEach(const int *indices, int n, bool &blending) {
  for (int k = 0; k < n; ++k) {
    const Entry &entry = At(indices[k]);
    const bool blend = entry.flags & BLEND;
    if (blend != blending) {
      blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
      blending = blend;
    }
    QCanvas::DrawRows(entry.bitmap, entry.sx, entry.skipRows, entry.width, entry.height, entry.dx, entry.dy);
  }
}

long QBlitQueue::GetPixelCount() const {
  long pixels = 0;
  for (const Entry &entry : entries) {
    if (!(entry.flags & SKIP)) pixels += static_cast<long>(entry.width) * entry.height;
  }
  return pixels;
}
