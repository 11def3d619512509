// A GL context for the harnesses that make textures: one window on the X
// server, made once (make fuzz-smoke runs these harnesses under xvfb-run).
#pragma once

#include <kiln/qxdisplay.h>

#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>

namespace kiln::fuzz {

// Returns true, so a harness can call it once from a static initializer;
// ends the process when there is no X server.
inline bool MakeGLContext() {
  Display *display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "this harness needs an X server (xvfb-run)\n");
    std::exit(1);
  }
  QSetXDisplay(display);
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 16, 16, 0, 0, 0);
  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  return glXMakeCurrent(display, window, context);
}

}  // namespace kiln::fuzz
