// The guide's first program: a shell with its BC, painted with a gradient
// and a greeting, waiting on the display while there is nothing to do.
// [first program]
#include <kiln/kiln.h>

#include <poll.h>

// Called whenever the BC must show its picture again.
void PaintBC(QDraw *bc, void *) {
  QCanvas *canvas = bc->GetCanvas();
  QRect all;
  all.Set(0, 0, bc->GetWidth(), bc->GetHeight());
  canvas->RectfillGradient(all, QColor(20, 40, 120), QColor(20, 40, 120), QColor(200, 120, 40),
                           QColor(200, 120, 40));
  canvas->SetFont(QGetApp()->GetFont());
  canvas->SetColor(PX_WHITE);
  canvas->Text("Hello, Kiln", 40, 40);
  bc->Swap();
}

// Nothing to animate: sleep until the X server has something to say.
void WaitForEvents() {
  pollfd display{QGetApp()->GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 1000);
}

int main() {
  QApp app("hello", "Hello");  // opens the display, or ends with status 1
  app.NoStateManager();
  app.SetIdleProc(WaitForEvents);
  if (!app.Create()) return 1;  // the shell, the BC in it, the fonts
  app.GetBC()->SetPaintProc(PaintBC, nullptr);
  app.Run();  // events until Alt+F4 or the window's close
}
// [first program]
