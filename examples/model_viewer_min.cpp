// The least code that shows a model file: the application with one drawing
// window, the model and its levels of detail loaded in the window's
// context, a world of them, and the camera circling the model one step a
// frame while the world picks the level by distance. kiln-view is the whole
// viewer.
//   model_viewer_min MODEL.dof [--shaders FILE] [--screenshot OUT.tga]
// q or Alt+F4 ends it; --screenshot writes the first frame and ends.
#include <kiln/dbox.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dvector3.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qdraw.h>
#include <kiln/qshell.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <poll.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Viewer {
  std::unique_ptr<DGeode> model;  // goes after the world, whose items use its shaders
  DWorld world;
  DWorldPainter painter;
  DBox bounds;
  int frame = 0;
};

Viewer *viewer = nullptr;
QDraw *view = nullptr;
const char *screenshot = nullptr;

// A frame from the camera's place on its circle: one degree a frame, 20
// degrees above the model, three radii away.
void Paint() {
  view->GetCanvas()->Select();
  glViewport(0, 0, kWidth, kHeight);
  glClearColor(0.15f, 0.15f, 0.2f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  const DVector3 centre = (viewer->bounds.min + viewer->bounds.max) * 0.5f;
  const float radius = viewer->bounds.GetRadius(), turn = static_cast<float>(viewer->frame) * 0.01745f;
  const float rise = 0.349f;  // 20 degrees
  const DVector3 eye = centre + DVector3(std::sin(turn) * std::cos(rise), std::sin(rise),
                                         std::cos(turn) * std::cos(rise)) * (3 * radius);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, static_cast<double>(kWidth) / kHeight, 0.05 * radius, 20 * radius);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0, 1, 0);
  // Shaders fog by default: OpenGL's default fog would blacken everything,
  // so it lies beyond the model.
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, 10 * radius);
  glFogf(GL_FOG_END, 20 * radius);
  viewer->world.Cull(eye, 1);
  viewer->painter.Paint(viewer->world);
  ++viewer->frame;
}

void Idle() {
  Paint();
  if (screenshot) {
    // Read before the swap: the back buffer holds the frame.
    QBitMap picture(32, kWidth, kHeight);
    view->GetCanvas()->ReadPixels(&picture, 0, 0);
    QGetApp()->Exit(picture.Write(screenshot, QBM_FORMAT_TGA) ? 0 : 1);
  }
  view->Swap();
  pollfd display{QGetApp()->GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 15);  // about 60 frames a second, sooner for input
}

bool OnEvent(QEvent *event) {
  if (event->type != QEVENT_KEYPRESS || event->n != 'q') return false;
  QGetApp()->Exit(0);
  return true;
}

// The world and the model go while the GL context is still there.
void OnExit() {
  delete viewer;
  viewer = nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  const char *file = argc > 1 ? argv[1] : nullptr, *shaders = nullptr;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--shaders") && i + 1 < argc) shaders = argv[++i];
    else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc) screenshot = argv[++i];
    else file = nullptr;
  }
  if (!file) {
    std::fprintf(stderr, "usage: model_viewer_min MODEL.dof [--shaders FILE] [--screenshot OUT.tga]\n");
    return 2;
  }
  QApp app("model_viewer_min", "model viewer");
  app.NoBC();
  app.NoStateManager();
  QRect shellRect;
  shellRect.Set(0, 0, kWidth, kHeight);
  app.PrefShellRect(&shellRect);
  app.SetIdleProc(Idle);
  app.SetEventProc(OnEvent);
  app.SetExitProc(OnExit);
  if (!app.Create()) return 1;
  QDraw window(app.GetShell(), 0, 0, kWidth, kHeight);
  if (!window.Create()) return 1;
  window.GetCanvas()->SetBackBuffer(true);
  view = &window;

  // Textures are made in the application's context, which the window shares;
  // materials find their shaders in the world as the model loads.
  QCanvas::GetAppCanvas()->Select();
  viewer = new Viewer;
  d3Global().shaderRender = &viewer->world;
  if (shaders && !viewer->world.LoadShaders(shaders)) return 1;
  viewer->model.reset(d3LoadModel(file));
  if (!viewer->model) return 1;
  viewer->model->GetBoundingBox(&viewer->bounds);
  // Each level from its distance on: level 1 from 4 radii, level 2 from 8,
  // and so on (the camera stays at 3: kiln-view zooms out to see them).
  const float radius = viewer->bounds.GetRadius();
  for (int level = 0; level < DGeode::kMaxLevels && viewer->model->GetLevel(level); ++level) {
    DGeode *geode = viewer->model->GetLevel(level);
    geode->lodNear = level == 0 ? 0 : 2 * radius * static_cast<float>(1 << level);
    geode->lodFar = 1e9f;
    if (level > 0) viewer->model->GetLevel(level - 1)->lodFar = geode->lodNear;
    viewer->world.AddGeode(geode);
  }
  viewer->world.SortByShader();
  app.Run();
}
