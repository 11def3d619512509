// The X display connection of a program. Opening it makes it the display
// the drawing layer works on (with the reporting X error handler).
#pragma once

#include <X11/Xlib.h>

#include <kiln/qobject.h>

class QDisplay : public QObject {
public:
  // The default display for a null name; test IsOpen().
  explicit QDisplay(const char *name = nullptr);
  // The connection stays open: the GL driver keeps state tied to it.
  ~QDisplay() override = default;

  const char *ClassName() const override { return "QDisplay"; }
  bool IsOpen() const { return display != nullptr; }
  Display *GetXDisplay() const { return display; }

private:
  Display *display;
};
