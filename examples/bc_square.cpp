// A first graphical program: a shell and a BC showing a gradient and a
// square. The arrow keys move the square, button 1 marks where it was
// clicked, P, G and A toggle the BC's preview, guides and alpha view; F11
// and Ctrl+Alt+F12 save screenshots of the shell and the BC in /tmp;
// Alt+F4 ends it.
//   bc_square [--screenshot OUT.tga]
// --screenshot writes the BC's first picture and ends.
#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcolor.h>
#include <kiln/qevent.h>
#include <kiln/qxdisplay.h>

#include <X11/keysym.h>
#include <poll.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kSquare = 64;
constexpr int kStep = 8;

struct Scene {
  int squareX = 352, squareY = 256;
  int markX = -1, markY = -1;  // none yet
  bool changed = true;
  bool shown = false;
} scene;

void Draw(QBC *bc) {
  QCanvas *canvas = bc->GetCanvas();
  QRect all;
  all.Set(0, 0, bc->GetWidth(), bc->GetHeight());
  const QColor top(20, 40, 120), bottom(200, 120, 40);
  canvas->RectfillGradient(all, top, top, bottom, bottom);
  canvas->SetColor(255, 255, 255);
  canvas->Rectfill(scene.squareX, scene.squareY, kSquare, kSquare);
  if (scene.markX >= 0) {
    // A red cross of 9 x 9 pixels centred on the click.
    canvas->SetColor(255, 0, 0);
    canvas->Rectfill(scene.markX - 4, scene.markY, 9, 1);
    canvas->Rectfill(scene.markX, scene.markY - 4, 1, 9);
  }
}

void Paint(QBC *bc) {
  Draw(bc);
  bc->Swap();
}

// Draws a frame when something changed; otherwise waits for the display
// rather than spinning.
void Idle() {
  QApp *app = QGetApp();
  if (scene.changed && app->GetBC()) {
    scene.changed = false;
    Paint(app->GetBC());
    if (!scene.shown) {
      scene.shown = true;
      XSync(QGetXDisplay(), False);
      std::printf("bc_square: ready\n");
      std::fflush(stdout);
    }
    return;
  }
  pollfd display{app->GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 100);
}

bool OnKey(QBC *bc, int key) {
  switch (key) {
    case XK_Left: scene.squareX -= kStep; break;
    case XK_Right: scene.squareX += kStep; break;
    case XK_Up: scene.squareY -= kStep; break;
    case XK_Down: scene.squareY += kStep; break;
    case 'p': bc->SetPreview(!(bc->GetBCFlags() & QBCF_PREVIEW)); break;
    case 'g': bc->SetGuides(!(bc->GetBCFlags() & QBCF_GUIDES)); break;
    case 'a': bc->SetAlphaView(!(bc->GetBCFlags() & QBCF_ALPHA_VIEW)); break;
    default: return false;
  }
  scene.changed = true;
  return true;
}

bool OnEvent(QEvent *event) {
  QBC *bc = QGetApp()->GetBC();
  if (!bc) return false;
  switch (event->type) {
    case QEVENT_KEYPRESS:
      return OnKey(bc, event->n);
    case QEVENT_BUTTONPRESS:
      if (event->window != bc || event->n != 1) return false;
      scene.markX = event->x;
      scene.markY = event->y;
      scene.changed = true;
      return true;
    default:
      return false;
  }
}

// An uncovered BC shows its picture again.
void OnPaint(QDraw *, void *) { scene.changed = true; }

void OnExit() { std::printf("bc_square: bye\n"); }

}  // namespace

int main(int argc, char **argv) {
  const char *screenshot = argc == 3 && !std::strcmp(argv[1], "--screenshot") ? argv[2] : nullptr;
  if (argc != 1 && !screenshot) {
    std::fprintf(stderr, "usage: bc_square [--screenshot OUT.tga]\n");
    return 2;
  }
  QApp app("bc_square", "BC square");
  app.NoStateManager();
  app.SetIdleProc(Idle);
  app.SetEventProc(OnEvent);
  app.SetExitProc(OnExit);
  if (!app.Create()) return 1;
  app.GetBC()->SetPaintProc(OnPaint, nullptr);
  if (screenshot) {
    // From the back buffer, before any swap.
    QBitMap picture(32, app.GetBC()->GetWidth(), app.GetBC()->GetHeight());
    Draw(app.GetBC());
    app.GetBC()->GetCanvas()->ReadPixels(&picture, 0, 0);
    return picture.Write(screenshot, QBM_FORMAT_TGA) ? 0 : 1;
  }
  app.Run();
}
