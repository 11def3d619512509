/// \file
/// QShell, the user-interface shell.
#pragma once

#include <kiln/qdraw.h>

/// The user-interface shell: a real window painted with the window manager's
/// background and a raised outline.
class QShell : public QDraw {
public:
  /// A real window at (x, y) of the parent, or of the screen without one.
  QShell(QWindow *parent, int x, int y, int width, int height);

  const char *ClassName() const override { return "QShell"; }
  /// The background and the outline.
  void Paint(int flags) override;
  /// Paints the window again.
  bool OnExpose(int x, int y, int width, int height) override;
};
