// Drives the 3D world: copies of a model stand in a ring, each turned its
// own way, and the camera circles above them. Every frame the world culls
// what the camera can't see and picks each copy's level of detail by its
// distance; the painter draws the rest, shader by shader. Textures and
// shaders come from the model's materials or from a shader file.
//   world_ring MODEL.dof [--shaders FILE] [--copies N] [--frames N]
//                        [--screenshot OUT.tga]
// q or closing the window ends it; --frames ends it after that many frames,
// --screenshot after writing the first one (no window needs to be seen).
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmatrix4.h>
#include <kiln/dtexturepool.h>
#include <kiln/dworld.h>
#include <kiln/dworldpainter.h>
#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qdraw.h>
#include <kiln/qshell.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr float kPi = 3.14159265f;

struct Ring {
  std::unique_ptr<DGeode> model;
  DWorld world;  // destroyed first: its items hold shares of the model's shaders
  DWorldPainter painter;
  std::vector<DMatrix4> places;
  float radius = 1;  // of the ring
  int frame = 0;
};

Ring *ring = nullptr;
QDraw *view = nullptr;
int lastFrame = -1;
const char *screenshot = nullptr;

// Each copy turned about its vertical axis and set on the circle.
void PlaceCopies(int copies) {
  for (int i = 0; i < copies; ++i) {
    const float angle = 2 * kPi * static_cast<float>(i) / static_cast<float>(copies);
    DMatrix4 place;
    place.SetRotateY(angle * 3);
    place.At(0, 3) = ring->radius * std::sin(angle);
    place.At(2, 3) = ring->radius * std::cos(angle);
    ring->places.push_back(place);
  }
  // Every copy brings one item per geob of every level; each item stands
  // where its copy does.
  for (const DMatrix4 &place : ring->places) {
    for (int level = 0; level < DGeode::kMaxLevels && ring->model->GetLevel(level); ++level) {
      const int first = ring->world.GetItemCount();
      ring->world.AddGeode(ring->model->GetLevel(level));
      for (int i = first; i < ring->world.GetItemCount(); ++i) ring->world.GetItem(i)->transform = &place;
    }
  }
  ring->world.SortByShader();
}

void Paint() {
  const int width = view->GetWidth(), height = view->GetHeight();
  view->GetCanvas()->Select();
  glViewport(0, 0, width, height);
  glClearColor(0.05f, 0.06f, 0.1f, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(35, static_cast<double>(width) / height, ring->radius * 0.05, ring->radius * 6);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const float turn = static_cast<float>(ring->frame) * kPi / 180;
  const DVector3 eye(2.1f * ring->radius * std::sin(turn), ring->radius * 0.8f, 2.1f * ring->radius * std::cos(turn));
  gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 0);
  // Shaders ask for fog: a haze far off.
  glFogi(GL_FOG_MODE, GL_LINEAR);
  glFogf(GL_FOG_START, ring->radius * 2);
  glFogf(GL_FOG_END, ring->radius * 5);
  const float haze[4] = {0.05f, 0.06f, 0.1f, 1};
  glFogfv(GL_FOG_COLOR, haze);

  ring->world.Cull(eye, 1);
  const DWorldPainter::Counts counts = ring->painter.Paint(ring->world);
  if (screenshot) {
    // Read before the swap: the back buffer holds the frame.
    QBitMap picture(32, width, height);
    view->GetCanvas()->ReadPixels(&picture, 0, 0);
    const bool written = picture.Write(screenshot, QBM_FORMAT_TGA);
    std::printf("world_ring: %s %s\n", written ? "wrote" : "could not write", screenshot);
    QGetApp()->Exit(written ? 0 : 1);
  }
  view->Swap();
  if (ring->frame % 60 == 0) {
    const DTexturePool *pool = DGlobal::LivingPool();
    std::printf("frame %d: %d of %d items painted in %d draw calls, %d shader changes, %d textures in the pool\n",
                ring->frame, counts.items, ring->world.GetItemCount(), counts.drawCalls, counts.shaderChanges,
                pool ? pool->GetCount() : 0);
    std::fflush(stdout);
  }
  if (++ring->frame == lastFrame) QGetApp()->Exit(0);
}

// A frame each time the loop has nothing else to do: the ring keeps moving.
void Idle() { Paint(); }

bool OnEvent(QEvent *event) {
  if (event->type != QEVENT_KEYPRESS || event->n != 'q') return false;
  QGetApp()->Exit(0);
  return true;
}

// The world and model go while the GL context is still there.
void OnExit() {
  delete ring;
  ring = nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  const char *file = nullptr, *shaders = nullptr;
  int copies = 24;
  for (int i = 1; i < argc; ++i) {
    const bool value = i + 1 < argc;
    if (!std::strcmp(argv[i], "--shaders") && value) shaders = argv[++i];
    else if (!std::strcmp(argv[i], "--copies") && value) copies = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--frames") && value) lastFrame = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--screenshot") && value) screenshot = argv[++i];
    else if (!file && argv[i][0] != '-') file = argv[i];
    else file = nullptr, i = argc;
  }
  if (!file || copies < 1 || copies > 200) {
    std::fprintf(stderr, "usage: world_ring MODEL.dof [--shaders FILE] [--copies 1-200] [--frames N] "
                         "[--screenshot OUT.tga]\n");
    return 2;
  }

  QApp app("world_ring", "world ring");
  app.NoBC();
  app.NoStateManager();
  QRect shellRect;
  shellRect.Set(0, 0, 800, 450);
  app.PrefShellRect(&shellRect);
  app.SetIdleProc(Idle);
  app.SetEventProc(OnEvent);
  app.SetExitProc(OnExit);
  if (!app.Create()) return 1;
  QDraw window(app.GetShell(), 0, 0, 800, 450);
  if (!window.Create()) return 1;
  window.GetCanvas()->SetBackBuffer(true);
  view = &window;
  // Textures are made in the application's context; the window shares it.
  QCanvas::GetAppCanvas()->Select();

  // Materials look their shaders up in the world as the model loads.
  ring = new Ring;
  d3Global().shaderRender = &ring->world;
  if (shaders && !ring->world.LoadShaders(shaders)) return 1;
  // The ring leaves room for the copies; the far half of it shows the
  // lower levels.
  DGeode *probe = d3LoadModel(file, nullptr, nullptr, 99999.0f, false);
  if (!probe) return 1;
  DBox box;
  probe->GetBoundingBox(&box);
  delete probe;
  ring->radius = box.GetRadius() * 1.6f * static_cast<float>(copies) / kPi;
  const float distances[DGeode::kMaxLevels] = {0, 2 * ring->radius, 2.8f * ring->radius};
  ring->model.reset(d3LoadModel(file, nullptr, distances));
  if (!ring->model) return 1;
  PlaceCopies(copies);
  app.Run();
}
