// Input through the event queue and the window manager against a plain
// Xlib loop. A full-screen-sized shell holds N windows in all (N - 2 soft
// windows in a grid, a soft focus window, the shell itself; N = 100 and
// 1000, the table's size). Batches of 512 X events are made with XTEST on a
// second connection (key press and release, a move onto a random soft
// window, button 1 press and release, in turn) and the injector is synced;
// then the time runs until every event reached a handler: for Kiln through
// QEventGet and DispatchEvent to the windows' handlers, for the peer
// through XNextEvent. Both sides must count 512 events.
#include <benchmark/benchmark.h>

#include <kiln/qdebug.h>
#include <kiln/qevent.h>
#include <kiln/qshell.h>
#include <kiln/qwindow.h>
#include <kiln/qwindowhost.h>
#include <kiln/qwindowmanager.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include "ratio_reporter.h"

namespace {

constexpr int kBatch = 512;
constexpr int kCell = 30, kColumns = 40;

int handled = 0;

// A window that counts the input it gets.
class Counting : public QWindow {
public:
  using QWindow::QWindow;
  bool OnKeyPress(int, int, int) override { return Count(); }
  bool OnKeyRelease(int, int, int) override { return Count(); }
  bool OnButtonPress(int, int, int) override { return Count(); }
  bool OnButtonRelease(int, int, int) override { return Count(); }
  bool OnMotion(int, int) override { return Count(); }

private:
  static bool Count() {
    ++handled;
    return true;
  }
};

struct Host : QWindowHost {
  QWindowManager *GetWindowManager() override { return manager; }
  QWindowManager *manager = nullptr;
};

// The shell with its windows, and the batch of input to send into it.
struct Scene {
  explicit Scene(int windows) {
    QEventFree();
    QEventInit();
    host.manager = &manager;
    QSetWindowHost(&host);
    shell = std::make_unique<QShell>(nullptr, 0, 0, kColumns * kCell, 1000);
    shell->Create();
    for (int i = 0; i < windows - 1; ++i) {
      soft.push_back(std::make_unique<Counting>(shell.get(), (i % kColumns) * kCell, (i / kColumns) * kCell,
                                                kCell - 4, kCell - 4));
      soft.back()->Create();
    }
    manager.SetFocus(soft.back().get());
    sender = XOpenDisplay(nullptr);
    XSetInputFocus(QGetXDisplay(), shell->GetQXWindow()->GetXWindow(), RevertToParent, CurrentTime);
    XSync(QGetXDisplay(), False);
    Drain();
  }
  ~Scene() {
    soft.clear();
    shell.reset();
    QSetWindowHost(nullptr);
    XCloseDisplay(sender);
  }

  // 512 events: key press and release, a move, a click, in turn; every
  // move lands somewhere else than the one before.
  void Inject() {
    std::mt19937 random(7);
    const KeyCode key = XKeysymToKeycode(sender, XK_k);
    for (int made = 0, step = 0; made < kBatch; ++step) {
      switch (step % 5) {
        case 0: XTestFakeKeyEvent(sender, key, True, CurrentTime); break;
        case 1: XTestFakeKeyEvent(sender, key, False, CurrentTime); break;
        case 2: {
          const int target = static_cast<int>(random() % (soft.size() - 1));
          XTestFakeMotionEvent(sender, -1, (target % kColumns) * kCell + 5 + step % 2,
                               (target / kColumns) * kCell + 5, CurrentTime);
          break;
        }
        case 3: XTestFakeButtonEvent(sender, 1, True, CurrentTime); break;
        default: XTestFakeButtonEvent(sender, 1, False, CurrentTime); break;
      }
      ++made;
    }
    XSync(sender, False);
  }

  // Whatever is left (a batch cut short by an error), dropped.
  static void Drain() {
    XSync(QGetXDisplay(), False);
    QEvent event;
    while (QEventPending()) QEventGet(&event);
  }

  QWindowManager manager;
  Host host;
  std::unique_ptr<QShell> shell;
  std::vector<std::unique_ptr<Counting>> soft;
  Display *sender = nullptr;
};

using Clock = std::chrono::steady_clock;

void KilnQueue(benchmark::State &state) {
  Scene scene(static_cast<int>(state.range(0)));
  long total = 0;
  for (auto _ : state) {
    scene.Inject();
    handled = 0;
    const auto start = Clock::now();
    QEvent event;
    while (handled < kBatch) {
      if (!QEventGet(&event)) break;
      scene.manager.DispatchEvent(&event);
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (handled != kBatch) {
      state.SkipWithError("not every event reached a handler");
      break;
    }
    total += handled;
    Scene::Drain();
  }
  kiln::bench::SetResult(state, static_cast<double>(total) / static_cast<double>(state.iterations()));
}

void PlainXlib(benchmark::State &state) {
  Scene scene(static_cast<int>(state.range(0)));
  Display *display = QGetXDisplay();
  long total = 0;
  for (auto _ : state) {
    scene.Inject();
    int read = 0;
    const auto start = Clock::now();
    XEvent event;
    while (read < kBatch) {
      XNextEvent(display, &event);
      switch (event.type) {
        case KeyPress:
        case KeyRelease:
        case ButtonPress:
        case ButtonRelease:
        case MotionNotify: ++read; break;
        default: break;
      }
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    total += read;
  }
  kiln::bench::SetResult(state, static_cast<double>(total) / static_cast<double>(state.iterations()));
}

BENCHMARK(KilnQueue)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainXlib)->Arg(100)->Arg(1000)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) {
  qdbg_set_callback([](const char *) {});
  Display *display = XOpenDisplay(nullptr);
  if (!display) {
    std::printf("bench_events needs an X server (make bench runs it under xvfb-run)\n");
    return 1;
  }
  QSetXDisplay(display);
  auto &reporter = kiln::bench::RunAll(argc, argv);
  reporter.PrintRatio("512 events, 100 windows", "KilnQueue/100", "PlainXlib/100",
                      "(goal: at most 1.43)");
  reporter.PrintRatio("512 events, 1000 windows", "KilnQueue/1000", "PlainXlib/1000",
                      "(goal: at most 1.33, three quarters of the plain loop's speed)");
  return 0;
}
