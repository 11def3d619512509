// The EGL side of an offscreen rendering context: a pbuffer surface with a
// desktop OpenGL context on it, made without any X server. libEGL is opened
// when the first one is made, so that programs which never render offscreen
// don't need it; the platform's display is opened once and kept for the
// process, as the X display is.
#pragma once

namespace kiln::gui {

// The EGL platforms a display can come from, in the order they are tried.
enum class EGLPlatform { kSurfaceless, kDevice };

class EGLPbuffer {
public:
  // A pbuffer of width x height with a desktop OpenGL context for it; test
  // IsValid(). When no platform gives a display, the first attempt says why
  // on the error output and later ones fail quietly.
  EGLPbuffer(int width, int height);
  // Leaves nothing current that was its own, then destroys both.
  ~EGLPbuffer();
  EGLPbuffer(const EGLPbuffer &) = delete;
  EGLPbuffer &operator=(const EGLPbuffer &) = delete;

  bool IsValid() const { return context != nullptr; }
  // Makes the context current on its pbuffer, first leaving any GLX
  // context (EGL refuses while one is current); false when EGL refuses.
  bool MakeCurrent() const;
  // The EGL context, as an identity.
  const void *GetContext() const { return context; }

private:
  void *surface = nullptr;
  void *context = nullptr;
};

// The EGL context current in this thread; null when none is, or when no
// offscreen context was ever made (EGL was never opened).
const void *CurrentEGLContext();
// Leaves no EGL context current (GLX refuses to make one of its own
// current while one is).
void ReleaseCurrentEGL();

// Before the first pbuffer of the process: only this platform is tried. For
// tests of the platforms that the usual order would not reach.
void UseOnlyEGLPlatform(EGLPlatform platform);

}  // namespace kiln::gui
