// kiln-view's window: a drawing window filling the application's shell
// shows the model view with an overlay of what the frame took. Left drag
// orbits, middle drag pans, right drag and the wheel zoom; w switches
// wireframe, l the level, r resets the camera, s writes a screenshot, q
// quits. A frame is drawn only when something changed; otherwise the idle
// procedure waits on the display.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "model_view.h"
#include "orbit_camera.h"

class QApp;
class QDraw;
struct QEvent;

class Viewer {
public:
  // Makes the drawing window over the whole shell and its context current.
  explicit Viewer(QApp &app);
  ~Viewer();
  Viewer(const Viewer &) = delete;
  Viewer &operator=(const Viewer &) = delete;

  bool IsReady() const;
  ModelView &View() { return *view; }
  // The camera shown, and the one r goes back to.
  void SetCamera(const OrbitCamera &start);
  // A frame without the overlay, written by the file's extension.
  bool Screenshot(const std::string &file);
  // Shows the model until q or the window's close; never returns.
  [[noreturn]] void Run();

private:
  static bool OnEvent(QEvent *event);
  static void OnIdle();
  static void OnExit();
  static void OnPaint(QDraw *window, void *data);
  bool Handle(const QEvent &event);
  bool OnKey(int key);
  void Draw();
  void DrawOverlay(const ModelView::Frame &frame);
  // "kiln-view-N.tga" for the first N not taken after the last one
  // written: searching from 1 each time would slow every screenshot by
  // the ones before it.
  std::string FreeScreenshotName();

  static Viewer *running;
  QApp &app;
  std::unique_ptr<QDraw> window;
  std::unique_ptr<ModelView> view;
  OrbitCamera camera, start;
  int dragButton = 0, dragX = 0, dragY = 0;
  int screenshotNumber = 0;
  bool changed = true;
  bool announced = false;
  std::chrono::duration<double, std::milli> lastFrame{0};
};
