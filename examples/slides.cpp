// Program states recorded on the VCR tape: a title and three slides, each a
// state that paints itself on the BC when entered, and Back and Next
// buttons that change the state. Every change is recorded with the
// program's data (here the number of changes so far, shown on the slide),
// so the state manager's panel walks the recording: REVERSE (Ctrl+Left)
// steps back a slide, PLAY (Ctrl+Right) forward again. Ctrl+S saves the tape
// as "bc.vcr"; Ctrl+L loads it and enters the slide it ended on.
//   slides [--screenshot OUT.tga]
// Alt+F4 ends it; --screenshot writes the title slide and ends.
#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qbitmap.h>
#include <kiln/qbutton.h>
#include <kiln/qcanvas.h>
#include <kiln/qfile.h>
#include <kiln/qfont.h>
#include <kiln/qshell.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>
#include <kiln/qxdisplay.h>

#include <poll.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct Slide {
  const char *name;
  const char *title;
  const char *text;
  QColor ground;
};

const Slide kSlides[] = {
    {"title", "Slides", "a program in four states", QColor(40, 60, 110)},
    {"states", "States", "each slide is a QState; Next and Back change it", QColor(30, 100, 60)},
    {"tape", "The tape", "every change is recorded with the program's data", QColor(120, 60, 30)},
    {"replay", "Replay", "REVERSE and PLAY walk the recording", QColor(90, 40, 100)},
};
constexpr int kSlideCount = 4;

struct Show {
  std::unique_ptr<QState> states[kSlideCount];
  std::unique_ptr<QButton> back, next;
  std::unique_ptr<QFont> large, body;
  int changes = 0;  // recorded with every change, and restored when played
  bool announced = false;
} show;

int Current() {
  const QState *state = QGetApp()->GetStateManager()->GetState();
  for (int i = 0; i < kSlideCount; ++i) {
    if (show.states[i].get() == state) return i;
  }
  return 0;
}

// The slide's ground, title and text, a dot for each slide (the shown one
// filled) and the number of changes.
void Draw(QCanvas *canvas, int shown) {
  const Slide &slide = kSlides[shown];
  canvas->Select();
  canvas->Set2D();
  canvas->SetColor(slide.ground);
  canvas->Rectfill(0, 0, canvas->GetWidth(), canvas->GetHeight());
  canvas->SetColor(PX_WHITE);
  canvas->Rectfill(60, 150, canvas->GetWidth() - 120, 4);
  canvas->SetFont(show.large.get());
  canvas->Text(slide.title, 60, 80);
  canvas->SetFont(show.body.get());
  canvas->Text(slide.text, 60, 200);
  for (int i = 0; i < kSlideCount; ++i) {
    i == shown ? canvas->Rectfill(60 + 40 * i, 440, 24, 24) : canvas->Rectangle(60 + 40 * i, 440, 24, 24);
  }
  char changes[64];
  std::snprintf(changes, sizeof changes, "change %d of this session", show.changes);
  canvas->SetColor(220, 220, 220);
  canvas->Text(changes, 60, 500);
}

// Entered through SetState() or from the tape: the BC shows the slide.
void EnterSlide() {
  QBC *bc = QGetApp()->GetBC();
  Draw(bc->GetCanvas(), Current());
  bc->Swap();
  if (!show.announced) {
    show.announced = true;
    XSync(QGetXDisplay(), False);
    std::printf("slides: ready\n");
    std::fflush(stdout);
  }
}

void GoTo(int slide) {
  if (slide < 0 || slide >= kSlideCount) return;
  ++show.changes;
  QGetApp()->GetStateManager()->SetState(show.states[slide].get());
}

bool OnEvent(QEvent *event) {
  if (event->type != QEVENT_CLICK) return false;
  if (event->window == show.next.get()) GoTo(Current() + 1);
  else if (event->window == show.back.get()) GoTo(Current() - 1);
  else return false;
  return true;
}

void WriteData(QFile *tape) { tape->WriteLE32(show.changes); }
void ReadData(QFile *tape) { tape->ReadLE32(&show.changes); }

// An uncovered BC shows its slide again.
void OnPaint(QDraw *, void *) { EnterSlide(); }

void Idle() {
  pollfd display{QGetApp()->GetDisplayFD(), POLLIN, 0};
  poll(&display, 1, 1000);
}

}  // namespace

int main(int argc, char **argv) {
  const char *screenshot = argc == 3 && !std::strcmp(argv[1], "--screenshot") ? argv[2] : nullptr;
  if (argc != 1 && !screenshot) {
    std::fprintf(stderr, "usage: slides [--screenshot OUT.tga]\n");
    return 2;
  }
  QApp app("slides", "slides");
  QRect shellRect;
  shellRect.Set(0, 0, 860, 700);
  app.PrefShellRect(&shellRect);
  app.SetEventProc(OnEvent);
  app.SetIdleProc(Idle);
  if (!app.Create()) return 1;
  show.large = std::make_unique<QFont>("helvetica", 34, 1, 1);
  show.large->Create();
  show.body = std::make_unique<QFont>("helvetica", 18, 1, 1);
  show.body->Create();
  for (int i = 0; i < kSlideCount; ++i)
    show.states[i] = std::make_unique<QState>(kSlides[i].name, nullptr, nullptr, EnterSlide);
  app.GetStateManager()->SetIOProcs(ReadData, WriteData);
  QRect place;
  place.Set(633, 634, 80, 40);
  show.back = std::make_unique<QButton>(app.GetShell(), place, "Back");
  place.Set(723, 634, 90, 40);
  show.next = std::make_unique<QButton>(app.GetShell(), place, "Next");
  app.GetBC()->SetPaintProc(OnPaint, nullptr);

  if (screenshot) {
    QBitMap picture(32, app.GetBC()->GetWidth(), app.GetBC()->GetHeight());
    Draw(app.GetBC()->GetCanvas(), 0);
    app.GetBC()->GetCanvas()->ReadPixels(&picture, 0, 0);
    return picture.Write(screenshot, QBM_FORMAT_TGA) ? 0 : 1;
  }
  app.Run(show.states[0].get());
}
