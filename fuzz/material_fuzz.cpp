// A material chunk from arbitrary bytes, read from memory, its texture names
// resolving beside a model in an empty directory. Textures need a GL
// context: one is made once on the X server (make fuzz-smoke runs this
// harness under xvfb-run).
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/qfile.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>

#include <GL/glx.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_support.h"

namespace {

bool MakeContext() {
  Display *display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "material fuzzing needs an X server (xvfb-run)\n");
    std::exit(1);
  }
  QSetXDisplay(display);
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 16, 16, 0, 0, 0);
  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  return glXMakeCurrent(display, window, context);
}

// Where the model "lies": nothing is ever found beside it.
struct EmptyDirectory {
  std::string path;
  EmptyDirectory() {
    char pattern[] = "/tmp/kiln-fuzz-material-XXXXXX";
    path = mkdtemp(pattern) ? pattern : "/nonexistent";
  }
  ~EmptyDirectory() { rmdir(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = kiln::fuzz::SilenceDiagnostics() && MakeContext();
  static const EmptyDirectory empty;
  (void)ready;
  DGeode geode("fuzz.dof");
  geode.SetPath(empty.path.c_str());
  QFile in("fuzz.dof", const_cast<uint8_t *>(data), static_cast<long>(size));
  DMaterial material;
  if (!material.ImportDOF(&in, &geode)) return 0;
  for (int layer = 0; layer < material.GetLayerCount(); ++layer) {
    if (material.PrepareToPaint(layer)) material.FinishPaint(layer);
  }
  DMaterial copy(material);
  return 0;
}
