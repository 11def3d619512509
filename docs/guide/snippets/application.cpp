// The guide's samples of the application object, windows and events.
#include <kiln/kiln.h>

#include <memory>

// [soft window]
// A soft window: a rectangle drawn inside the shell, which the window
// manager hands the events that fall on it.
class Swatch : public QWindow {
public:
  Swatch(QWindow *parent, int x, int y) : QWindow(parent, x, y, 64, 64) {}

  void Paint(int) override {
    QCanvas *canvas = GetCanvas();
    canvas->SetColor(on ? QColor(240, 200, 40) : QColor(60, 60, 60));
    canvas->Rectfill(0, 0, GetWidth(), GetHeight());  // the window's own coordinates
    canvas->Outline(0, 0, GetWidth(), GetHeight());
  }
  bool OnButtonPress(int button, int, int) override {
    if (button != 1) return false;  // not used: the event goes on to the parent
    on = !on;
    Invalidate();  // an expose queued: Paint() when it comes
    return true;
  }

private:
  bool on = false;
};
// [soft window]

// [handlers]
// Offered every key press and release before the windows: F1 is the
// program's, whatever window has the focus.
bool HelpKey(QEvent *event) {
  if (event->type != QEVENT_KEYPRESS || event->n != 0xFFBE) return false;  // XK_F1
  qout("help was asked for\n");
  return true;
}

// Offered what no window took.
bool OnEvent(QEvent *event) {
  if (event->type == QEVENT_CLICK) {
    qout("button %p clicked\n", static_cast<void *>(event->window));
    return true;
  }
  return false;
}

// Asked before the program ends (Alt+F4, the window's close, Exit()).
void OnExit() {
  static bool asked = false;
  if (!asked) {
    asked = true;
    qout("press Alt+F4 once more to leave\n");
    QGetApp()->CancelExit();
  }
}
// [handlers]

// [setting up]
int RunWindows() {
  QApp app("windows", "Windows and events");
  app.NoBC();  // the shell alone
  app.NoStateManager();
  app.AddKeyboardHandler(HelpKey);
  app.SetEventProc(OnEvent);
  app.SetExitProc(OnExit);
  if (!app.Create()) return 1;

  Swatch swatch(app.GetShell(), 40, 40);
  swatch.Create();  // registered with the window manager
  QRect place;
  place.Set(40, 120, 100, 28);
  QButton button(app.GetShell(), place, "Press me");  // made at once
  button.SetShortcut('p');
  app.Run();
}
// [setting up]
