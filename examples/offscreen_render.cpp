// Renders a model file into a picture with no window and no X display, as
// a build pipeline makes thumbnails: an offscreen context, the model with
// its levels of detail in a world under a light at the eye, one frame read
// back and written by the file's extension (.tga, .jpg, .rgb).
//   offscreen_render MODEL.dof OUT.tga [--shaders FILE] [--size WxH]
// Runs the same with DISPLAY unset; the status is 1 when the model, the
// shaders or the context can't be had, or the picture can't be written.
#include <kiln/dbox.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dvector3.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qoffscreen.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

// The format QBitMap::Write() takes for the file's extension; -1 for others.
int FormatOf(const std::string &file) {
  const std::string extension = file.substr(file.find_last_of('.') + 1);
  if (extension == "tga") return QBM_FORMAT_TGA;
  if (extension == "jpg" || extension == "jpeg") return QBM_FORMAT_JPG;
  if (extension == "rgb") return QBM_FORMAT_RGB;
  return -1;
}

// A camera on the model's bounding sphere, from the front, above and to the
// right, with a light at the eye.
DVector3 LookAtModel(const DBox &bounds, int width, int height) {
  const DVector3 centre = (bounds.min + bounds.max) * 0.5f;
  const DVector3 eye = centre + DVector3(0.45f, 0.35f, 0.82f) * (2.8f * bounds.GetRadius());
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, static_cast<double>(width) / height, 0.05 * bounds.GetRadius(), 10 * bounds.GetRadius());
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float headlight[4] = {0, 0, 1, 0};
  glLightfv(GL_LIGHT0, GL_POSITION, headlight);
  gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);
  return eye;
}

int Render(const char *file, const char *shaders, const char *out, int width, int height) {
  QOffscreen offscreen(width, height);  // current from here on
  if (!offscreen.IsValid()) return 1;
  // The model goes after the world, whose items hold shares of the shaders
  // its materials record; both go before the context.
  std::unique_ptr<DGeode> model;
  DWorld world;
  DWorldPainter painter;
  d3Global().shaderRender = &world;  // materials find their shaders here
  if (shaders && !world.LoadShaders(shaders)) return 1;
  const float distances[DGeode::kMaxLevels] = {0, 1e6f, 2e6f};
  model.reset(d3LoadModel(file, nullptr, distances));
  if (!model) return 1;
  for (int level = 0; level < DGeode::kMaxLevels && model->GetLevel(level); ++level)
    world.AddGeode(model->GetLevel(level));
  world.SortByShader();
  DBox bounds;
  model->GetBoundingBox(&bounds);

  glClearColor(0.16f, 0.18f, 0.22f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);
  glEnable(GL_COLOR_MATERIAL);
  // Shaders ask for fog: it starts beyond the model.
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 100 * bounds.GetRadius());
  glFogf(GL_FOG_END, 200 * bounds.GetRadius());
  const DVector3 eye = LookAtModel(bounds, width, height);
  world.Cull(eye, 1);
  painter.Paint(world);

  QBitMap picture(32, width, height);
  offscreen.GetCanvas()->ReadPixels(&picture, 0, 0);
  d3Global().shaderRender = nullptr;
  return picture.Write(out, FormatOf(out), 90) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  const char *shaders = nullptr;
  int width = 400, height = 300;
  bool usage = argc < 3;
  for (int i = 3; i < argc && !usage; ++i) {
    const bool value = i + 1 < argc;
    if (!std::strcmp(argv[i], "--shaders") && value) shaders = argv[++i];
    else if (!std::strcmp(argv[i], "--size") && value) usage = std::sscanf(argv[++i], "%dx%d", &width, &height) != 2;
    else usage = true;
  }
  if (usage || FormatOf(argv[2]) < 0 || width < 1 || height < 1 || width > 8192 || height > 8192) {
    std::fprintf(stderr, "usage: offscreen_render MODEL.dof OUT.tga|.jpg|.rgb [--shaders FILE] [--size WxH]\n");
    return 2;
  }
  return Render(argv[1], shaders, argv[2], width, height);
}
