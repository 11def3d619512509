#include <kiln/qtextstyle.h>

bool QTextStyle::AddLayer(const QColor &color, int dx, int dy) {
  if (count >= kMaxLayers) return false;
  layers[count].color.CopyFrom(color);
  layers[count].dx = dx;
  layers[count].dy = dy;
  ++count;
  return true;
}

const QTextStyle::Layer *QTextStyle::GetLayer(int index) const {
  return index >= 0 && index < count ? &layers[index] : nullptr;
}
