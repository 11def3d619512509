// A broadcast-style caption (a "lower third") over a picture on the BC: a
// bar carrying a title set in a texture font slides in from the left,
// moved by a keyframed control, while a fade filter brings a logo in.
// They are graphic elements of the application's list, stepped once a
// frame by its first FX manager, which repaints only what moved. It ends
// by itself when the animation is over, unless --loop plays it again and
// again.
//   lower_third [--loop] [--frames N] [--screenshot OUT.tga [--frame N]]
// Alt+F4 ends it; --screenshot writes frame N (40, the end, by default).
// --frames plays it again and again as fast as it can for N frames, saying
// every 1,000 how many gels and effects are at work (for long runs).
#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmap.h>
#include <kiln/qbitmapgel.h>
#include <kiln/qcanvas.h>
#include <kiln/qcontrol.h>
#include <kiln/qfilter.h>
#include <kiln/qfont.h>
#include <kiln/qfxmanager.h>
#include <kiln/qgel.h>
#include <kiln/qgellist.h>
#include <kiln/qutil.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "baked_font.h"

namespace {

constexpr int kWidth = 768, kHeight = 576;
constexpr int kBarY = 440, kBarWidth = 560, kBarHeight = 72;
constexpr int kLastFrame = 40;

// The caption's bar, translucent, with the title on it.
class CaptionGel : public QGel {
public:
  explicit CaptionGel(QFont *font) : font(font) {
    SetPos(-kBarWidth, kBarY, 1);
    SetSize(kBarWidth, kBarHeight);
  }
  void Paint() override {
    // The gels under it blit through the canvas's queue: drawn first.
    canvas->FlushBlits();
    canvas->SetBlending(1);
    canvas->SetColor(20, 40, 110, 210);
    canvas->Rectfill(x, y, width, height);
    canvas->SetColor(255, 190, 40);
    canvas->Rectfill(x, y, 8, height);
    canvas->SetBlending(0);
    if (!font) return;
    canvas->SetFont(font);
    canvas->SetColor(255, 255, 255);
    canvas->Text("Kiln News  -  lower third", x + 28, y + 18);
    canvas->SetFont(nullptr);
  }
  void PaintPart(const QRect &) override { Paint(); }
  QFont *font;
};

struct Caption {
  std::unique_ptr<QFont> font;
  QBitMap sky{32, kWidth, kHeight}, logoImage{32, 96, 96}, logoShown{32, 96, 96};
  std::unique_ptr<QBitmapGel> background, logo;
  std::unique_ptr<CaptionGel> bar;
  QControl slide;
  QFilterFade fade;
  bool loop = false;
  const char *screenshot = nullptr;
  int shotFrame = kLastFrame, frame = 0;
  long frames = 0, played = 0;  // --frames, and the frames played
};
Caption *caption = nullptr;

// A sky over hills, and a ring for the logo.
void MakePictures() {
  QBitMap &sky = caption->sky;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool hill = y > 330 + 50 * std::sin(x / 90.0) + 20 * std::sin(x / 23.0);
      sky.SetPixel(x, y, hill ? QColor(40, 110 + y / 8, 50) : QColor(90 + y / 5, 150 + y / 6, 230));
    }
  }
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 96; ++x) {
      const double r = std::hypot(x - 47.5, y - 47.5);
      caption->logoImage.SetPixel(x, y, r > 30 && r < 46 ? QColor(255, 255, 255, 255) : QColor(0, 0, 0, 0));
    }
  }
}

// The keys of one run: the bar from outside to its place in 25 frames; the
// logo from transparent to opaque in 30.
void StartAnimation() {
  caption->slide.Key(0, -kBarWidth);
  caption->slide.Key(25, 40);
  caption->slide.Key(kLastFrame, 40);
  caption->fade.GetControl()->Key(0, 100);
  caption->fade.GetControl()->Key(30, 0);
  caption->frame = 0;
}

int MoveBar(QControl *, void *, int value) {
  caption->bar->SetPos(value, kBarY, 1);
  return 0;
}

void FadeLogo(QFilter *filter, void *) {
  caption->logoShown.CopyPixels(caption->logoImage);
  filter->Do(&caption->logoShown);
  caption->logo->Invalidate();
}

// After each frame is painted, before it is shown.
void AfterFrame(QFXManager *) {
  if (!caption->screenshot || caption->frame++ != caption->shotFrame) return;
  QBitMap picture(32, kWidth, kHeight);
  QGetApp()->GetBC()->GetCanvas()->ReadPixels(&picture, 0, 0);
  std::exit(picture.Write(caption->screenshot, QBM_FORMAT_TGA) ? 0 : 1);
}

template <typename Item>
int Count(Item *first) {
  int count = 0;
  for (Item *item = first; item; item = item->GetNext()) ++count;
  return count;
}

// A long run (--frames) says every 1,000 frames what is at work, and ends.
void CountFrame(QFXManager *manager) {
  if (++caption->played % 1000 == 0) {
    std::printf("frame %ld: %d gels, %d effects\n", caption->played, Count(QGetApp()->GetGelList()->GetFirst()),
                Count(manager->GetFirst()));
    std::fflush(stdout);
  }
  if (caption->played == caption->frames) QGetApp()->Exit(0);
}

// One frame each time the loop is idle, about 50 a second.
void Idle() {
  QFXManager *manager = QGetApp()->GetFXManager(0);
  if (manager->AllDone()) {
    if (!caption->loop && !caption->frames) QGetApp()->Exit(0);
    StartAnimation();
  }
  manager->Iterate();
  if (caption->frames) {
    CountFrame(manager);
  } else {
    QWaitMilli(20);
  }
}

// The gels go while the BC and its context are still there.
void OnExit() {
  delete caption;
  caption = nullptr;
}

}  // namespace

int main(int argc, char **argv) {
  bool usage = false, loop = false;
  const char *screenshot = nullptr;
  int shotFrame = kLastFrame;
  long frames = 0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--loop")) loop = true;
    else if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc) screenshot = argv[++i];
    else if (!std::strcmp(argv[i], "--frame") && i + 1 < argc) shotFrame = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) frames = std::atol(argv[++i]);
    else usage = true;
  }
  if (usage || shotFrame < 0 || shotFrame > kLastFrame || frames < 0) {
    std::fprintf(stderr, "usage: lower_third [--loop] [--frames N] [--screenshot OUT.tga [--frame 0-%d]]\n", kLastFrame);
    return 2;
  }
  QApp app("lower_third", "lower third");
  app.NoStateManager();
  QRect shellRect;
  shellRect.Set(0, 0, 858, 666);
  app.PrefShellRect(&shellRect);
  app.SetIdleProc(Idle);
  app.SetExitProc(OnExit);
  if (!app.Create()) return 1;
  app.GetBC()->GetCanvas()->SetBackBuffer(true);
  // Made with the application: the gels join its list and the filter's
  // control its first FX manager.
  caption = new Caption;
  caption->loop = loop;
  caption->screenshot = screenshot;
  caption->shotFrame = shotFrame;
  caption->frames = frames;
  QCanvas::GetAppCanvas()->Select();
  caption->font = BakeTextureFont("helvetica", 24);

  // The pictures are the library's bitmap gels; the logo blends by its alpha.
  MakePictures();
  caption->background = std::make_unique<QBitmapGel>(&caption->sky);
  caption->logo = std::make_unique<QBitmapGel>(&caption->logoShown, true);
  caption->logo->SetPos(kWidth - 136, 40, 2);
  caption->bar = std::make_unique<CaptionGel>(caption->font.get());
  caption->slide.SetCallback(MoveBar, nullptr);
  caption->fade.SetCallback(FadeLogo, nullptr);
  app.GetFXManager(0)->Add(&caption->slide);
  app.GetFXManager(0)->SetCallback(AfterFrame);
  StartAnimation();
  app.Run();
}
