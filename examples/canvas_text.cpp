// Drawing with a window's canvas: filled and gradient rectangles, outlines,
// raised and sunk frames and a panel, solid and stippled lines, text in the
// X server's fonts plain and in styled layers (a shadow, an outline), and
// the same words in a texture font baked from an X font at start, which
// can be scaled as bitmap fonts can't.
//   canvas_text [--screenshot OUT.tga]
// q or Alt+F4 ends it; --screenshot writes the picture and ends.
#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qdraw.h>
#include <kiln/qfont.h>
#include <kiln/qshell.h>
#include <kiln/qtextstyle.h>

#include <poll.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "baked_font.h"

namespace {

constexpr int kWidth = 560, kHeight = 360;

struct Look {
  QFont *proportional = nullptr, *fixed = nullptr;  // the application's
  std::unique_ptr<QFont> large, texture;
  QTextStyle shadow, outline;
} look;

void Draw(QCanvas *canvas) {
  canvas->Select();
  canvas->Set2D();
  QRect all;
  all.Set(0, 0, kWidth, kHeight);
  canvas->RectfillGradient(all, QColor(30, 40, 70), QColor(30, 40, 70), QColor(10, 10, 20), QColor(10, 10, 20));

  // Rectangles and frames.
  canvas->SetColor(200, 60, 60);
  canvas->Rectfill(24, 24, 112, 56);
  canvas->SetColor(PX_WHITE);
  canvas->Rectangle(20, 20, 120, 64);
  QRect band;
  band.Set(160, 24, 112, 56);
  canvas->RectfillGradient(band, QColor(255, 200, 0), QColor(0, 160, 255), QColor(0, 160, 255), QColor(255, 200, 0));
  canvas->Outline(292, 20, 120, 64);
  canvas->Inline(424, 20, 112, 64);
  canvas->Panel(428, 24, 104, 56, true);

  // Lines, solid and stippled.
  canvas->SetColor(255, 220, 0);
  canvas->Line(20, 104, 536, 104);
  canvas->EnableLineStipple(0xF0F0);
  canvas->Line(20, 112, 536, 112);
  canvas->DisableLineStipple();

  // The X server's fonts: plain, with a shadow, with an outline.
  canvas->SetFont(look.proportional);
  canvas->SetColor(PX_WHITE);
  canvas->Text("helvetica 12, plain", 20, 132);
  canvas->SetFont(look.fixed);
  canvas->Text("fixed 13: 0123456789", 20, 152);
  // On a lighter ground, where a shadow and an outline show.
  QRect ground;
  ground.Set(12, 168, 264, 84);
  canvas->RectfillGradient(ground, QColor(150, 170, 200), QColor(110, 130, 170), QColor(110, 130, 170),
                           QColor(150, 170, 200));
  canvas->SetFont(look.large.get());
  canvas->SetTextStyle(&look.shadow);
  canvas->Text("A shadow below", 20, 180);
  canvas->SetTextStyle(&look.outline);
  canvas->Text("An outline around", 20, 216);
  canvas->SetTextStyle(nullptr);

  // A texture font of the same family, plain and scaled.
  if (look.texture) {
    canvas->SetFont(look.texture.get());
    canvas->SetColor(120, 220, 255);
    canvas->Text("Texture font", 300, 180);
    look.texture->SetScale(1.5f, 1.5f);
    canvas->SetColor(255, 160, 220);
    canvas->Text("scaled", 300, 240);
    look.texture->SetScale(1, 1);
  }
  canvas->SetFont(nullptr);
}

void OnPaint(QDraw *window, void *) {
  Draw(window->GetCanvas());
  window->Swap();
}

// The picture from the back buffer, before any swap.
bool Screenshot(QDraw *window, const char *file) {
  QBitMap picture(32, kWidth, kHeight);
  Draw(window->GetCanvas());
  window->GetCanvas()->ReadPixels(&picture, 0, 0);
  return picture.Write(file, QBM_FORMAT_TGA);
}

bool OnEvent(QEvent *event) {
  if (event->type != QEVENT_KEYPRESS || event->n != 'q') return false;
  QGetApp()->Exit(0);
  return true;
}

// Nothing to animate: wait for the display.
void Idle() {
  pollfd display{QGetApp()->GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 1000);
}

}  // namespace

int main(int argc, char **argv) {
  const char *screenshot = argc == 3 && !std::strcmp(argv[1], "--screenshot") ? argv[2] : nullptr;
  if (argc != 1 && !screenshot) {
    std::fprintf(stderr, "usage: canvas_text [--screenshot OUT.tga]\n");
    return 2;
  }
  QApp app("canvas_text", "canvas and text");
  app.NoBC();
  app.NoStateManager();
  QRect shellRect;
  shellRect.Set(0, 0, kWidth, kHeight);
  app.PrefShellRect(&shellRect);
  app.SetEventProc(OnEvent);
  app.SetIdleProc(Idle);
  if (!app.Create()) return 1;
  QDraw window(app.GetShell(), 0, 0, kWidth, kHeight, OnPaint);
  if (!window.Create()) return 1;
  window.GetCanvas()->SetBackBuffer(true);

  look.proportional = app.GetFont();
  look.fixed = app.GetFixedFont();
  look.large = std::make_unique<QFont>("helvetica", 24, 1, 1);
  look.large->Create();
  look.shadow.AddLayer(QColor(0, 0, 0), 3, 3);
  look.shadow.AddLayer(QColor(255, 255, 255), 0, 0);
  for (const auto &[dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) look.outline.AddLayer(QColor(0, 0, 0), dx, dy);
  look.outline.AddLayer(QColor(255, 220, 0), 0, 0);
  // Textures are made in the application's context, which the window shares.
  QCanvas::GetAppCanvas()->Select();
  look.texture = BakeTextureFont("helvetica", 24);

  if (screenshot) return Screenshot(&window, screenshot) ? 0 : 1;
  app.Run();
}
