#include "viewer.h"

#include <kiln/qapp.h>
#include <kiln/qcanvas.h>
#include <kiln/qdraw.h>
#include <kiln/qevent.h>
#include <kiln/qfont.h>
#include <kiln/qshell.h>
#include <kiln/qwindow.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tool_support.h"

Viewer *Viewer::running = nullptr;

namespace {

constexpr float kWheelStep = 1.1f;
constexpr float kZoomPerPixel = 1.01f;

}  // namespace

Viewer::Viewer(QApp &app) : app(app), view(std::make_unique<ModelView>()) {
  QShell *shell = app.GetShell();
  if (!shell) return;
  window = std::make_unique<QDraw>(shell, 0, 0, shell->GetWidth(), shell->GetHeight(), OnPaint, this);
  if (!window->Create()) {
    window.reset();
    return;
  }
  // Frames are drawn behind and swapped in.
  window->GetCanvas()->SetBackBuffer(true);
  // Textures are made in the application's context, which the window's
  // shares.
  if (QCanvas *made = QCanvas::GetAppCanvas()) made->Select();
}

Viewer::~Viewer() {
  // The model's textures and shaders go while their context still exists.
  view.reset();
  if (running == this) running = nullptr;
}

bool Viewer::IsReady() const { return window != nullptr; }

void Viewer::SetCamera(const OrbitCamera &shown) {
  camera = start = shown;
  changed = true;
}

bool Viewer::Screenshot(const std::string &file) { return view->WritePicture(camera, window->GetCanvas(), file); }

std::string Viewer::FreeScreenshotName() {
  struct stat existing;
  for (;;) {
    std::string name = "kiln-view-" + std::to_string(++screenshotNumber) + ".tga";
    if (stat(name.c_str(), &existing) != 0) return name;
  }
}

void Viewer::Run() {
  running = this;
  app.SetEventProc(OnEvent);
  app.SetIdleProc(OnIdle);
  app.SetExitProc(OnExit);
  // The library's own screenshot keys (F11, Ctrl+Alt+F12) write to /tmp.
  app.SetScreenshotProc([](const char *file, const char *) {
    std::printf("kiln-view: wrote %s\n", file);
    std::fflush(stdout);
  });
  app.Run();
}

void Viewer::OnPaint(QDraw *, void *data) { static_cast<Viewer *>(data)->changed = true; }

void Viewer::OnExit() {
  if (running) running->view.reset();
}

bool Viewer::OnEvent(QEvent *event) { return running && running->Handle(*event); }

void Viewer::OnIdle() {
  Viewer *viewer = running;
  if (!viewer) return;
  if (viewer->changed) {
    viewer->changed = false;
    viewer->Draw();
    return;
  }
  XFlush(QGetXDisplay());
  pollfd display{viewer->app.GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 1000);
}

bool Viewer::Handle(const QEvent &event) {
  switch (event.type) {
    case QEVENT_KEYPRESS:
      return OnKey(event.n);
    case QEVENT_BUTTONPRESS:
      if (event.n == 4 || event.n == 5) {
        camera.Zoom(event.n == 4 ? 1 / kWheelStep : kWheelStep);
        changed = true;
        return true;
      }
      if (event.n < 1 || event.n > 3) return false;
      dragButton = event.n;
      dragX = event.rootX;
      dragY = event.rootY;
      return true;
    case QEVENT_BUTTONRELEASE:
      if (event.n != dragButton) return false;
      dragButton = 0;
      return true;
    case QEVENT_RESIZE:
      // The view fills the shell, whatever size the user gives it.
      if (event.window != app.GetShell() || (event.width == window->GetWidth() && event.height == window->GetHeight()))
        return false;
      window->SetSize(event.width, event.height);
      changed = true;
      return false;
    case QEVENT_MOTIONNOTIFY: {
      if (!dragButton) return false;
      const int dx = event.rootX - dragX, dy = event.rootY - dragY;
      dragX = event.rootX;
      dragY = event.rootY;
      if (dragButton == 1) camera.Orbit(dx, dy);
      if (dragButton == 2) camera.Pan(dx, dy, window->GetHeight());
      if (dragButton == 3) camera.Zoom(std::pow(kZoomPerPixel, static_cast<float>(dy)));
      changed = true;
      return true;
    }
    default:
      return false;
  }
}

bool Viewer::OnKey(int key) {
  switch (key) {
    case 'w': view->wireframe = !view->wireframe; break;
    case 'l': view->NextLevel(); break;
    case 'r': camera = start; break;
    case 's': {
      const std::string name = FreeScreenshotName();
      if (Screenshot(name)) {
        std::printf("kiln-view: wrote %s\n", name.c_str());
      } else {
        kiln::tool::Fail("kiln-view", "can't write '" + name + "'");
      }
      std::fflush(stdout);
      break;
    }
    case 'q':
      app.Exit(0);  // unless the exit was cancelled
      return true;
    default: return false;
  }
  changed = true;
  return true;
}

void Viewer::Draw() {
  window->GetCanvas()->Select();
  const auto began = std::chrono::steady_clock::now();
  const ModelView::Frame frame = view->Paint(camera, window->GetWidth(), window->GetHeight());
  glFinish();
  lastFrame = std::chrono::steady_clock::now() - began;
  DrawOverlay(frame);
  window->Swap();
  if (!announced) {
    announced = true;
    XSync(QGetXDisplay(), False);
    std::printf("kiln-view: ready\n");
    std::fflush(stdout);
  }
}

void Viewer::DrawOverlay(const ModelView::Frame &frame) {
  QCanvas *canvas = window->GetCanvas();
  QFont *font = app.GetFixedFont();
  if (!canvas || !font) return;
  char lines[3][96];
  std::snprintf(lines[0], sizeof lines[0], "%d triangles in %d items", frame.triangles, frame.items);
  if (view->GetLevel() == ModelView::kAutomatic) {
    std::snprintf(lines[1], sizeof lines[1], "level: automatic (%d loaded)", view->GetLevelCount());
  } else {
    std::snprintf(lines[1], sizeof lines[1], "level: %d of %d", view->GetLevel(), view->GetLevelCount());
  }
  std::snprintf(lines[2], sizeof lines[2], "frame: %.1f ms%s", lastFrame.count(), view->wireframe ? ", wireframe" : "");
  canvas->Set2D();
  canvas->SetFont(font);
  const int lineHeight = static_cast<int>(font->GetHeight()) + 2;
  canvas->SetBlending(1);
  canvas->SetColor(0, 0, 0, 140);
  float widest = 0;
  for (const char *line : lines) widest = std::max(widest, font->GetWidth(line));
  canvas->Rectfill(4, 4, static_cast<int>(widest) + 12, 3 * lineHeight + 8);
  canvas->SetBlending(0);
  canvas->SetColor(235, 235, 235);
  for (int i = 0; i < 3; ++i) canvas->Text(lines[i], 10, 8 + i * lineHeight);
}
