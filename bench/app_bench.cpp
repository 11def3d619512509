// The application's loop against plain Xlib and GLX, in one X server
// (make bench runs it under xvfb-run).
//
// Events: batches of 512 key events made with XTEST into the BC of an
// application whose 5 keyboard handlers and event procedure decline them,
// drained with ProcessEvent(), against a plain XNextEvent() loop on the
// same batches; both sides count 512.
// Frames: 20 frames of an idle procedure that clears the 768 x 576 BC and
// swaps it, driven by ProcessEvent(), against a plain glClear() and
// glXSwapBuffers() loop on a window of that size; both show the same
// picture. Then the BC's frames with preview, letterbox and guides on.
#include <benchmark/benchmark.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <GL/glx.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench_window.h"
#include "ratio_reporter.h"

namespace {

constexpr int kBatch = 512;
constexpr int kFrames = 20;
constexpr int kWidth = 768, kHeight = 576;

using Clock = std::chrono::steady_clock;

QApp *app = nullptr;
Display *sender = nullptr;
int keys = 0;
int frames = 0;

bool Decline(QEvent *) { return false; }
bool CountKeys(QEvent *event) {
  if (event->type == QEVENT_KEYPRESS || event->type == QEVENT_KEYRELEASE) ++keys;
  return false;
}

void ClearAndSwap() {
  QBC *bc = app->GetBC();
  bc->GetCanvas()->Select();
  glClear(GL_COLOR_BUFFER_BIT);
  bc->Swap();
  ++frames;
}

// 512 key presses and releases into the window under the pointer (the BC).
void Inject() {
  const KeyCode key = XKeysymToKeycode(sender, XK_k);
  for (int made = 0; made < kBatch; ++made) XTestFakeKeyEvent(sender, key, made % 2 == 0, CurrentTime);
  XSync(sender, False);
}

void KilnLoopEvents(benchmark::State &state) {
  app->SetEventProc(CountKeys);
  long total = 0;
  for (auto _ : state) {
    Inject();
    keys = 0;
    const auto start = Clock::now();
    for (int idle = 0; keys < kBatch && idle < 1000000;) idle += app->ProcessEvent() == 2;
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (keys != kBatch) {
      state.SkipWithError("not every key reached the event procedure");
      break;
    }
    total += keys;
  }
  app->SetEventProc(nullptr);
  kiln::bench::SetResult(state, static_cast<double>(total) / static_cast<double>(state.iterations()));
}

void PlainEvents(benchmark::State &state) {
  Display *display = QGetXDisplay();
  long total = 0;
  for (auto _ : state) {
    Inject();
    int read = 0;
    const auto start = Clock::now();
    XEvent event;
    while (read < kBatch) {
      XNextEvent(display, &event);
      read += event.type == KeyPress || event.type == KeyRelease;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    total += read;
  }
  kiln::bench::SetResult(state, static_cast<double>(total) / static_cast<double>(state.iterations()));
}

void KilnFrames(benchmark::State &state) {
  QBC *bc = app->GetBC();
  const bool preview = state.range(0) != 0;
  bc->SetPreview(preview);
  bc->SetGuides(preview);
  app->SetIdleProc(ClearAndSwap);
  long total = 0;
  for (auto _ : state) {
    frames = 0;
    while (frames < kFrames) app->ProcessEvent();
    glFinish();
    total += frames;
  }
  app->SetIdleProc(nullptr);
  bc->SetPreview(false);
  bc->SetGuides(false);
  bc->GetCanvas()->Select();
  kiln::bench::SetResult(state, preview ? static_cast<double>(total) / static_cast<double>(state.iterations())
                                        : kiln::bench::BackBufferSum(kWidth, kHeight));
}

// A plain double-buffered window of the BC's size and visual, beside it.
struct PlainWindow {
  PlainWindow() {
    Display *display = QGetXDisplay();
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        GLX_DEPTH_SIZE, 16, GLX_STENCIL_SIZE, 8, None};
    XVisualInfo *visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    XSetWindowAttributes windowAttributes{};
    windowAttributes.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, kWidth, kHeight, 0, visual->depth,
                           InputOutput, visual->visual, CWColormap, &windowAttributes);
    XMapWindow(display, window);
    XSync(display, False);
    context = glXCreateContext(display, visual, nullptr, True);
    XFree(visual);
  }
  ~PlainWindow() {
    glXMakeCurrent(QGetXDisplay(), None, nullptr);
    glXDestroyContext(QGetXDisplay(), context);
    XDestroyWindow(QGetXDisplay(), window);
    QGLContext::SetCurrent(nullptr);
  }
  Window window = 0;
  GLXContext context = nullptr;
};

void PlainFrames(benchmark::State &state) {
  Display *display = QGetXDisplay();
  PlainWindow plain;
  glXMakeCurrent(display, plain.window, plain.context);
  glViewport(0, 0, kWidth, kHeight);
  long total = 0;
  for (auto _ : state) {
    for (int frame = 0; frame < kFrames; ++frame) {
      glClear(GL_COLOR_BUFFER_BIT);
      glXSwapBuffers(display, plain.window);
    }
    glFinish();
    total += kFrames;
  }
  const double sum = kiln::bench::BackBufferSum(kWidth, kHeight);
  kiln::bench::SetResult(state, state.range(0) ? static_cast<double>(total) / static_cast<double>(state.iterations())
                                               : sum);
}

BENCHMARK(KilnLoopEvents)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainEvents)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(KilnFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainFrames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  sender = XOpenDisplay(nullptr);
  if (!sender) {
    std::printf("bench_app needs an X server (make bench runs it under xvfb-run)\n");
    return 1;
  }
  QApp application("bench_app", "Benchmark");
  app = &application;
  application.NoStateManager();
  if (!application.Create()) {
    std::printf("benchmark failed: the application's windows could not be made\n");
    return 1;
  }
  for (int i = 0; i < QApp::kKeyboardHandlers; ++i) application.AddKeyboardHandler(Decline);
  // The pointer in the BC: its keys go there.
  XTestFakeMotionEvent(sender, -1, 45 + 300, 45 + 300, CurrentTime);
  XSync(sender, False);
  application.RunPending();
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("512 keys through the loop", "KilnLoopEvents", "PlainEvents",
                      "(goal: at most 1.67, i.e. 0.6 x the speed)");
  reporter.PrintRatio("20 frames of 768 x 576", "KilnFrames/0", "PlainFrames/0",
                      "(goal: at most 1.05, i.e. 0.95 x)");
  reporter.PrintRatio("20 frames, preview, letterbox and guides", "KilnFrames/1", "PlainFrames/1",
                      "(goal: at most 8.33, i.e. 0.12 x)");
  return 0;
}
