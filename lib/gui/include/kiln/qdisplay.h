/// \file
/// QDisplay, a program's connection to the X server.
#pragma once

#include <X11/Xlib.h>

#include <kiln/qobject.h>

/// The X display connection of a program. Opening it makes it the display
/// the drawing layer works on (with the reporting X error handler).
class QDisplay : public QObject {
public:
  /// The default display for a null name; test IsOpen().
  explicit QDisplay(const char *name = nullptr);
  /// The connection stays open: the GL driver keeps state tied to it.
  ~QDisplay() override = default;

  const char *ClassName() const override { return "QDisplay"; }
  /// True when the connection was made.
  bool IsOpen() const { return display != nullptr; }
  /// The Xlib connection; null when it wasn't made.
  Display *GetXDisplay() const { return display; }

private:
  Display *display;
};
