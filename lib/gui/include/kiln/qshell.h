// The user-interface shell: a real window painted with the window manager's
// background and a raised outline.
#pragma once

#include <kiln/qdraw.h>

class QShell : public QDraw {
public:
  QShell(QWindow *parent, int x, int y, int width, int height);

  const char *ClassName() const override { return "QShell"; }
  void Paint(int flags) override;
  bool OnExpose(int x, int y, int width, int height) override;
};
