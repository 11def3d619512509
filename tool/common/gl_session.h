// The OpenGL context a program without windows draws in: a hidden window's
// on the X display when there is one, an offscreen context otherwise. Its
// canvas acts as the application's, so textures are made where a program
// makes them and the output is the same either way.
#pragma once

#include <memory>

class QCanvas;
class QOffscreen;

class GLSession {
public:
  // The drawable is width x height pixels (what is drawn and read back must
  // fit in it).
  explicit GLSession(int width = 16, int height = 16);
  ~GLSession();
  GLSession(const GLSession &) = delete;
  GLSession &operator=(const GLSession &) = delete;

  // False when there is neither an X display with OpenGL nor an offscreen
  // context (which then said why).
  bool IsReady() const { return ready; }
  // Whether the context is a hidden window's, on the X display.
  bool OnXDisplay() const { return window != nullptr; }
  // Draws on the drawable; null unless ready.
  QCanvas *GetCanvas() const;

private:
  class HiddenWindow;
  std::unique_ptr<HiddenWindow> window;
  std::unique_ptr<QOffscreen> offscreen;
  bool ready = false;
};
