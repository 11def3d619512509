// A GL context for the harnesses that make textures: an offscreen one, made
// once; no X server needed.
#pragma once

#include <kiln/qoffscreen.h>

#include <cstdio>
#include <cstdlib>

namespace kiln::fuzz {

// Returns true, so a harness can call it once from a static initializer;
// ends the process when no offscreen context can be made.
inline bool MakeGLContext() {
  // Kept to the end of the process: textures outlive the harness's calls.
  static QOffscreen *offscreen = new QOffscreen(16, 16);
  if (!offscreen->IsValid()) {
    std::fprintf(stderr, "this harness needs an offscreen OpenGL context (EGL)\n");
    std::exit(1);
  }
  return true;
}

}  // namespace kiln::fuzz
