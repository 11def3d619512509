/// \file
/// QGroup, a titled frame.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qwindow.h>

class QFont;

/// A soft frame with an optional title in the application's proportional
/// font, made at once.
class QGroup : public QWindow {
public:
  /// The title stays the caller's.
  QGroup(QWindow *parent, const QRect &rect, const char *title);

  const char *ClassName() const override { return "QGroup"; }
  /// The frame and the title.
  void Paint(int flags) override;

  /// The title's colour, to change before painting.
  QColor &GetTextColor() { return textColor; }

private:
  QColor textColor;
  const char *title;
  QFont *font;
};
