// kiln-view's picture of a large model without a display (make bench runs
// it under xvfb-run, whose server the window side uses).
//
// The model: a 600 x 600 grid, gently folded, 720,000 triangles in six
// geobs of 100 rows each, one plain material. Two figures:
//  - kiln-view --screenshot at 800 x 600 as a whole process: with DISPLAY
//    unset (an offscreen context through EGL) against the X server that is
//    already running (a window through GLX). Median of 5 runs each; the two
//    pictures must be the same bytes.
//  - One frame of it painted offscreen by kiln-view's own ModelView::Paint
//    (world, culling, painter) against the floor: a program of our own on
//    EGL drawing the same triangles from one vertex array in buffer objects
//    (uploaded once) with one glDrawElements, under the same camera, light
//    and state. glFinish ends each frame;
//    median of 9 frames after one untimed. Both must draw the same picture.
#define GL_GLEXT_PROTOTYPES
#define EGL_EGL_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <kiln/dgeode.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qoffscreen.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "model_view.h"
#include "orbit_camera.h"

extern char **environ;

namespace {

using namespace kiln::test::dof;

constexpr int kCells = 600, kRowsPerGeob = 100;
constexpr int kWidth = 800, kHeight = 600;
constexpr int kProcessRuns = 5, kFrames = 9;

float Height(int i, int j) { return static_cast<float>((i * j) % 17) * 0.25f; }

// The grid's positions and normals, and its triangles as indices into them.
struct Grid {
  std::vector<float> positions, normals;
  std::vector<unsigned> indices;
};

Grid MakeGrid() {
  Grid grid;
  for (int j = 0; j <= kCells; ++j) {
    for (int i = 0; i <= kCells; ++i) {
      grid.positions.insert(grid.positions.end(), {i * 0.25f, Height(i, j), j * 0.25f});
      grid.normals.insert(grid.normals.end(), {0, 1, 0});
    }
  }
  const auto at = [](int i, int j) { return static_cast<unsigned>(j * (kCells + 1) + i); };
  for (int j = 0; j < kCells; ++j) {
    for (int i = 0; i < kCells; ++i)
      grid.indices.insert(grid.indices.end(),
                          {at(i, j), at(i, j + 1), at(i + 1, j), at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
  }
  return grid;
}

// The same grid as a model file: each band of rows a geob of its own, its
// vertices (at most 60,701) numbered from the band's first row.
std::string GridModel() {
  std::vector<std::string> geobs;
  for (int first = 0; first < kCells; first += kRowsPerGeob) {
    std::vector<float> corners, normals;
    std::vector<uint16_t> indices;
    for (int j = first; j <= first + kRowsPerGeob; ++j) {
      for (int i = 0; i <= kCells; ++i) {
        corners.insert(corners.end(), {i * 0.25f, Height(i, j), j * 0.25f});
        normals.insert(normals.end(), {0, 1, 0});
      }
    }
    const auto at = [&](int i, int j) { return static_cast<uint16_t>((j - first) * (kCells + 1) + i); };
    for (int j = first; j < first + kRowsPerGeob; ++j) {
      for (int i = 0; i < kCells; ++i)
        indices.insert(indices.end(),
                       {at(i, j), at(i, j + 1), at(i + 1, j), at(i + 1, j), at(i, j + 1), at(i + 1, j + 1)});
    }
    const auto count = static_cast<int32_t>(indices.size());
    geobs.push_back(
        Gob1({Ghdr(0, 0, 0), Indi(indices), Vert(corners), Norm(normals), Brst({0}, {count * 3}, {0}, {3})}));
  }
  const std::string ground =
      Mat0({Mhdr("ground", "Standard"), Mcol({0.2f, 0.2f, 0.2f, 1, 0.4f, 0.6f, 0.3f, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0})});
  return Dof1({Mats({ground}), Geob(geobs)});
}

bool WriteFile(const std::string &path, const std::string &bytes) {
  std::FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  return std::fclose(out) == 0 && written;
}

std::string ReadFile(const std::string &path) {
  std::string bytes;
  if (std::FILE *in = std::fopen(path.c_str(), "rb")) {
    char block[1 << 16];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) bytes.append(block, got);
    std::fclose(in);
  }
  return bytes;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// --- the whole process ----------------------------------------------------------------

// kiln-view's screenshot of the grid; with `display` false, DISPLAY is taken
// out of its environment. Seconds, or -1 when it failed.
double Screenshot(bool display, const std::string &out) {
  std::vector<char *> environment;
  for (char **variable = environ; *variable; ++variable) {
    if (display || std::strncmp(*variable, "DISPLAY=", 8) != 0) environment.push_back(*variable);
  }
  environment.push_back(nullptr);
  const std::string size = std::to_string(kWidth) + "x" + std::to_string(kHeight);
  const char *argv[] = {KILN_VIEW_PATH, "grid.dof", "--size", size.c_str(), "--screenshot", out.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  int status = -1;
  const bool ran =
      posix_spawn(&child, KILN_VIEW_PATH, &actions, nullptr, const_cast<char **>(argv), environment.data()) == 0 &&
      waitpid(child, &status, 0) == child;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return ran && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// The median of the timed runs after an untimed one; every run's picture
// must be the first's.
bool MeasureProcess(bool display, const char *out, double *seconds, std::string *picture) {
  if (Screenshot(display, out) < 0) return false;
  *picture = ReadFile(out);
  std::vector<double> times;
  for (int run = 0; run < kProcessRuns; ++run) {
    const double time = Screenshot(display, out);
    if (time < 0 || ReadFile(out) != *picture) return false;
    times.push_back(time);
  }
  *seconds = Median(times);
  return true;
}

// --- one frame ------------------------------------------------------------------------

// The frame's pixels after an untimed frame; the median time of kFrames.
bool MeasureFrames(const std::function<void()> &frame, double *seconds, std::vector<uint8_t> *picture) {
  frame();
  glFinish();
  picture->resize(static_cast<std::size_t>(kWidth) * kHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, picture->data());
  std::vector<double> times;
  for (int i = 0; i < kFrames; ++i) {
    const auto start = std::chrono::steady_clock::now();
    frame();
    glFinish();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  *seconds = Median(times);
  return glGetError() == GL_NO_ERROR;
}

OrbitCamera GridCamera(const DBox &bounds) {
  OrbitCamera camera;
  camera.Frame((bounds.min + bounds.max) * 0.5f, bounds.GetRadius());
  return camera;
}

bool KilnFrame(double *seconds, std::vector<uint8_t> *picture) {
  QOffscreen offscreen(kWidth, kHeight);
  if (!offscreen.IsValid()) return false;
  ModelView view;
  std::string error;
  std::unique_ptr<DGeode> model(d3LoadModel("grid.dof"));
  if (!model || !view.Show(std::move(model), &error)) {
    std::printf("the grid can't be shown: %s\n", error.c_str());
    return false;
  }
  const OrbitCamera camera = GridCamera(view.GetBounds());
  return MeasureFrames([&] { view.Paint(camera, kWidth, kHeight); }, seconds, picture);
}

// The floor: a pbuffer of our own on EGL's surfaceless platform, the grid
// in one vertex array drawn in one call, under ModelView::Paint's state.
bool FloorFrame(const Grid &grid, const DBox &bounds, double *seconds, std::vector<uint8_t> *picture) {
  auto platformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay display = platformDisplay ? platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                                       : EGL_NO_DISPLAY;
  EGLint major = 0, minor = 0;
  const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8,
                           EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 0, EGL_DEPTH_SIZE, 24, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor) ||
      !eglChooseConfig(display, wanted, &config, 1, &count) || count < 1)
    return false;
  const EGLint size[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, size);
  eglBindAPI(EGL_OPENGL_API);
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (!surface || !context || !eglMakeCurrent(display, surface, surface, context)) return false;

  const OrbitCamera camera = GridCamera(bounds);
  // Positions, normals and indices in buffer objects, uploaded once.
  GLuint buffers[2];
  glGenBuffers(2, buffers);
  const auto bytes = [](const auto &values) { return static_cast<GLsizeiptr>(values.size() * sizeof values[0]); };
  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, bytes(grid.positions) + bytes(grid.normals), nullptr, GL_STATIC_DRAW);
  glBufferSubData(GL_ARRAY_BUFFER, 0, bytes(grid.positions), grid.positions.data());
  glBufferSubData(GL_ARRAY_BUFFER, bytes(grid.positions), bytes(grid.normals), grid.normals.data());
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, bytes(grid.indices), grid.indices.data(), GL_STATIC_DRAW);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, nullptr);
  glNormalPointer(GL_FLOAT, 0, reinterpret_cast<const void *>(bytes(grid.positions)));
  const bool measured = MeasureFrames(
      [&] {
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0.16f, 0.18f, 0.22f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        camera.Apply(kWidth, kHeight);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        const float headlight[4] = {0, 0, 1, 0}, white[4] = {0.75f, 0.75f, 0.75f, 1},
                    ambient[4] = {0.35f, 0.35f, 0.35f, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, headlight);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glPopMatrix();
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_DEPTH_TEST);
        // A shader's defaults: back faces culled, fog (beyond the model).
        glEnable(GL_CULL_FACE);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogf(GL_FOG_START, camera.distance + 4 * camera.radius);
        glFogf(GL_FOG_END, camera.distance + 8 * camera.radius);
        glEnable(GL_FOG);
        glColor4f(0.4f, 0.6f, 0.3f, 1);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(grid.indices.size()), GL_UNSIGNED_INT, nullptr);
      },
      seconds, picture);
  glDeleteBuffers(2, buffers);
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, context);
  eglDestroySurface(display, surface);
  return measured;
}

// The pixels that differ between two pictures.
long Differing(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) {
  long differing = 0;
  for (std::size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
    differing += std::memcmp(&a[i], &b[i], 3) != 0;
  return differing;
}

}  // namespace

int main() {
  qdbg_set_callback([](const char *) {});
  if (!std::getenv("DISPLAY")) {
    std::printf("bench_view: no X display for the window side (run under xvfb-run)\n");
    return 1;
  }
  if (!WriteFile("grid.dof", GridModel())) {
    std::printf("can't write grid.dof\n");
    return 1;
  }
  std::printf("grid.dof: %d x %d cells, %d triangles, %d x %d pixels\n", kCells, kCells, 2 * kCells * kCells, kWidth,
              kHeight);

  double offscreenSeconds = 0, windowSeconds = 0;
  std::string offscreenPicture, windowPicture;
  if (!MeasureProcess(false, "offscreen.tga", &offscreenSeconds, &offscreenPicture) ||
      !MeasureProcess(true, "window.tga", &windowSeconds, &windowPicture)) {
    std::printf("kiln-view --screenshot failed or gave another picture on a later run\n");
    return 1;
  }
  std::printf("%-44s %8.1f ms\n%-44s %8.1f ms\n", "kiln-view --screenshot, no display", offscreenSeconds * 1e3,
              "kiln-view --screenshot, running Xvfb", windowSeconds * 1e3);
  if (offscreenPicture != windowPicture) {
    std::printf("the offscreen and the window pictures differ; no ratio\n");
    return 1;
  }

  double kilnSeconds = 0, floorSeconds = 0;
  std::vector<uint8_t> kilnPicture, floorPicture;
  DBox bounds;
  {
    std::unique_ptr<DGeode> model(d3LoadModel("grid.dof"));
    if (model) model->GetBoundingBox(&bounds);
  }
  const Grid grid = MakeGrid();
  if (!FloorFrame(grid, bounds, &floorSeconds, &floorPicture) || !KilnFrame(&kilnSeconds, &kilnPicture)) {
    std::printf("a frame failed\n");
    return 1;
  }
  std::printf("%-44s %8.1f ms\n%-44s %8.1f ms\n", "frame offscreen, kiln-view's ModelView::Paint", kilnSeconds * 1e3,
              "frame offscreen, one vertex array (floor)", floorSeconds * 1e3);
  if (const long differing = Differing(kilnPicture, floorPicture); differing != 0) {
    std::printf("the frames differ in %ld pixels; no ratio\n", differing);
    return 1;
  }

  std::printf("\nratios (below 1 means the first is faster):\n");
  std::printf("screenshot process: offscreen / Xvfb       = %5.3f  (goal: 1.0 or less)\n",
              offscreenSeconds / windowSeconds);
  std::printf("frame: ModelView::Paint / floor            = %5.3f  (goal: 1.5 or less)\n", kilnSeconds / floorSeconds);
  return 0;
}
