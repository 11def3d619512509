#include "button_icons.h"

#include <kiln/qcanvas.h>

#include <cstring>

namespace kiln::gui {

namespace {

void Black(QCanvas *canvas, int x1, int y1, int x2, int y2, int x3, int y3) {
  canvas->Triangle(x1, y1, x2, y2, x3, y3, nullptr, nullptr, nullptr);
}

}  // namespace

bool PaintButtonIcon(QCanvas *canvas, const char *label, int W, int H, int s, int X, int Y) {
  // Integer divisions throughout, as the layouts are given.
  const int left = (W - W / 2 - s) / 2 + X, top = (H - H / 2 - s) / 2 + Y;
  if (std::strcmp(label, "$PLAY") == 0) {
    Black(canvas, left, top, left + W / 2, top + H / 4, left, top + H / 2);
  } else if (std::strcmp(label, "$REVERSE") == 0 || std::strcmp(label, "$LEFT") == 0) {
    Black(canvas, left + W / 2, top, left, top + (H / 2) / 2, left + W / 2, top + H / 2);
  } else if (std::strcmp(label, "$REWIND") == 0) {
    Black(canvas, left + W / 4, top, left + W / 4, top + H / 2, left, top + H / 4);
    Black(canvas, left + W / 2, top, left + W / 2, top + H / 2, left + W / 4, top + H / 4);
  } else if (std::strcmp(label, "$FORWARD") == 0) {
    Black(canvas, left, top, left + W / 4, top + H / 4, left, top + H / 2);
    Black(canvas, left + W / 4, top, left + W / 2, top + H / 4, left + W / 4, top + H / 2);
  } else if (std::strcmp(label, "$RIGHT") == 0) {
    Black(canvas, left, top, left + W / 2 - 1, top + H / 4, left, top + H / 2 - 1);
  } else if (std::strcmp(label, "$UP") == 0 || std::strcmp(label, "$DOWN") == 0) {
    const int J = 2 * W + 2, F = J / 4;
    const int g = (W - F - s) / 2 + X, i = (H - H / 4 - s) / 2 + Y;
    if (label[1] == 'U') {
      Black(canvas, g + 1, i + H / 4, g + F, i + H / 4, g + J / 8, i);
    } else {
      Black(canvas, g, i, g + F, i, g + J / 8, i + H / 4);
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace kiln::gui
