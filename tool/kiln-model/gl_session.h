// The OpenGL context a 3D program loads its textures in: a hidden window's
// on the X display when there is one, an offscreen context otherwise. Its
// canvas acts as the application's, so textures are made where a program
// makes them and the output is the same either way.
#pragma once

#include <memory>

class QOffscreen;

class GLSession {
public:
  GLSession();
  ~GLSession();
  GLSession(const GLSession &) = delete;
  GLSession &operator=(const GLSession &) = delete;

  // False when there is neither an X display with OpenGL nor an offscreen
  // context (which then said why).
  bool IsReady() const { return ready; }

private:
  class HiddenWindow;
  std::unique_ptr<HiddenWindow> window;
  std::unique_ptr<QOffscreen> offscreen;
  bool ready = false;
};
