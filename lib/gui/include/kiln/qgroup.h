// A soft frame with an optional title in the application's proportional
// font, made at once.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qwindow.h>

class QFont;

class QGroup : public QWindow {
public:
  // The title stays the caller's.
  QGroup(QWindow *parent, const QRect &rect, const char *title);

  const char *ClassName() const override { return "QGroup"; }
  void Paint(int flags) override;

  QColor &GetTextColor() { return textColor; }

private:
  QColor textColor;
  const char *title;
  QFont *font;
};
