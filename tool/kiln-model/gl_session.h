// An unmapped window with a GL context current on it and a canvas that acts
// as the application's, as a 3D program has when it loads models: textures
// are made in it.
#pragma once

#include <kiln/qdrawable.h>

#include <GL/glx.h>

#include <memory>

class QGLContext;

class GLSession : public QDrawable {
public:
  GLSession();
  ~GLSession() override;

  const char *ClassName() const override { return "GLSession"; }
  unsigned long GetXWindow() const override { return window; }
  unsigned long GetXDrawable() const override { return window; }
  int GetWidth() const override { return 16; }
  int GetHeight() const override { return 16; }

  // False without an X display with OpenGL.
  bool IsReady() const { return ready; }

private:
  Display *display = nullptr;
  Window window = 0;
  std::unique_ptr<QGLContext> context;
  bool ready = false;
};
