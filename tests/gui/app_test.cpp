// The application object through its whole loop: what Create() builds and
// where, keys, modifiers and buttons as XTEST makes them, the order of
// handlers, dispatch and event procedure, screenshot keys, fonts, colours,
// the log's name, and the ways a program ends.
#include "app_fixture.h"

#include <kiln/qcanvas.h>
#include <kiln/qcursor.h>
#include <kiln/qexit.h>
#include <kiln/qfont.h>
#include <kiln/qgroup.h>
#include <kiln/qstatemanager.h>
#include <kiln/qwindowmanager.h>

#include <unistd.h>

#include <set>
#include <string>

#include "screenshot_files.h"
#include "shown_pixels.h"
#include "test_support.h"

using kiln::test::AppFixture;
using kiln::test::Appeared;
using kiln::test::Screenshots;
using kiln::test::Grey;
using kiln::test::Shown;
using kiln::test::ShownPixels;

namespace {

class App : public AppFixture {};

// Where an X window lies in another, and its size.
struct Placement {
  int x, y, width, height;
};
Placement PlaceOf(Window window, Window in) {
  Display *display = QGetXDisplay();
  Window root, child;
  int x, y, placedX, placedY;
  unsigned width, height, border, depth;
  XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth);
  XTranslateCoordinates(display, window, in, 0, 0, &placedX, &placedY, &child);
  return {placedX, placedY, static_cast<int>(width), static_cast<int>(height)};
}

TEST_F(App, CreateMakesTheShellTheFramedBCFontsAndCursors) {
  ASSERT_TRUE(app->Create());
  ASSERT_NE(app->GetShell(), nullptr);
  ASSERT_NE(app->GetBC(), nullptr);
  const Window root = DefaultRootWindow(QGetXDisplay());
  const Placement shell = PlaceOf(ShellWindow(), root);
  EXPECT_EQ(shell.x, 0);
  EXPECT_EQ(shell.y, 0);
  EXPECT_EQ(shell.width, 1280);
  EXPECT_EQ(shell.height, 1024);
  const Placement bc = PlaceOf(BCWindow(), ShellWindow());
  EXPECT_EQ(bc.x, 45);
  EXPECT_EQ(bc.y, 45);
  EXPECT_EQ(bc.width, 768);
  EXPECT_EQ(bc.height, 576);
  EXPECT_EQ(app->GetMouseX(), 640);
  EXPECT_EQ(app->GetMouseY(), 512);
  ASSERT_NE(app->GetFont(), nullptr);
  ASSERT_NE(app->GetFixedFont(), nullptr);
  EXPECT_GT(app->GetFont()->GetHeight(), 0);
  ASSERT_NE(app->GetStateManager(), nullptr);
  EXPECT_EQ(app->GetStateManager()->GetRect().x, 45);
  EXPECT_EQ(app->GetStateManager()->GetRect().y, 634);
  EXPECT_EQ(QGetWindowHost(), app.get());
  EXPECT_EQ(QCanvas::GetAppCanvas(), app->GetBC()->GetCanvas());

  // The frame 2 pixels around the BC, on the shell's grey.
  Settle();
  EXPECT_EQ(Shown(QGetXDisplay(), ShellWindow(), 43, 300), Grey(70));
  EXPECT_EQ(Shown(QGetXDisplay(), ShellWindow(), 44, 300), Grey(164));
  EXPECT_EQ(Shown(QGetXDisplay(), ShellWindow(), 30, 300), Grey(192));

  // The arrow and the invisible cursor; other kinds make none.
  QCursor arrow(QCURSOR_ARROW), invisible(QCURSOR_INVISIBLE), none(7), later(QCURSOR_ARROW, false);
  EXPECT_NE(arrow.GetXCursor(), 0u);
  EXPECT_NE(invisible.GetXCursor(), 0u);
  EXPECT_EQ(none.GetXCursor(), 0u);
  EXPECT_EQ(later.GetXCursor(), 0u);
  EXPECT_TRUE(later.Create(QCURSOR_ARROW));
  EXPECT_EQ(capture.Take().find("X error"), std::string::npos);
}

TEST_F(App, KeysModifiersAndButtonsReachTheProgram) {
  ASSERT_TRUE(app->Create());
  QBC *bc = app->GetBC();
  Settle();
  MoveTo(45 + 100, 45 + 120);
  Tap(XK_x);
  auto keyOf = [bc](int code) {
    return [bc, code](const QEvent &event) { return event.window == bc && event.n == code; };
  };
  ASSERT_TRUE(Pump([&] { return SawEvent(QEVENT_KEYPRESS, keyOf('x')); }));
  EXPECT_EQ(app->GetMouseX(), 145);
  EXPECT_EQ(app->GetMouseY(), 165);
  int x, y;
  app->GetMouseXY(&x, &y);
  EXPECT_EQ(x, 145);
  EXPECT_EQ(y, 165);

  Key(XK_Control_L, true);
  Key(XK_Shift_L, true);
  Tap(XK_b);
  ASSERT_TRUE(Pump([&] { return SawEvent(QEVENT_KEYRELEASE, [](const QEvent &e) { return (e.n & 0xFFFF) == 'b'; }); }));
  EXPECT_EQ(app->GetModifiers(), QK_SHIFT | QK_CONTROL);
  EXPECT_TRUE(SawEvent(QEVENT_KEYPRESS, keyOf(QK_SHIFT | QK_CONTROL | 'b')));
  Key(XK_Shift_L, false);
  Key(XK_Control_L, false);
  ASSERT_TRUE(Pump([&] { return app->GetModifiers() == 0; }));

  Button(1, true);
  ASSERT_TRUE(Pump([&] { return app->GetButtons() == 2; }));
  EXPECT_TRUE(SawEvent(QEVENT_BUTTONPRESS, [bc](const QEvent &e) {
    return e.window == bc && e.n == 1 && e.x == 100 && e.y == 120;
  }));
  Button(3, true);
  ASSERT_TRUE(Pump([&] { return app->GetButtons() == (2 | 8); }));
  Button(1, false);
  Button(3, false);
  ASSERT_TRUE(Pump([&] { return app->GetButtons() == 0; }));

  // X has buttons up to 255: one beyond the mask leaves it alone, and the
  // event goes on.
  XEvent press{};
  press.xbutton.type = ButtonPress;
  press.xbutton.window = BCWindow();
  press.xbutton.root = DefaultRootWindow(sender);
  press.xbutton.x = 10;
  press.xbutton.y = 20;
  press.xbutton.button = 40;
  press.xbutton.same_screen = True;
  XSendEvent(sender, BCWindow(), False, ButtonPressMask, &press);
  XSync(sender, False);
  ASSERT_TRUE(Pump([&] { return SawEvent(QEVENT_BUTTONPRESS, [](const QEvent &e) { return e.n == 40; }); }));
  EXPECT_EQ(app->GetButtons(), 0);
}

// Handlers that write down their calls; the second takes 'q'.
std::string calls;
bool First(QEvent *) { return calls += "1", false; }
bool Second(QEvent *event) { return calls += "2", event->n == 'q'; }
bool Other(QEvent *) { return false; }
bool Consume(QEvent *) { return calls += "p", true; }
void Idle() { calls += "i"; }

TEST_F(App, HandlersDispatchAndTheEventProcedureInTurn) {
  ASSERT_TRUE(app->Create());
  Settle();
  calls.clear();
  app->SetIdleProc(Idle);
  EXPECT_EQ(app->ProcessEvent(), 2);
  EXPECT_EQ(calls, "i");
  QEvent peeked;
  QEventPeek(&peeked);
  EXPECT_EQ(peeked.type, 0);

  ASSERT_TRUE(app->AddKeyboardHandler(First));
  ASSERT_TRUE(app->AddKeyboardHandler(Second));
  QEvent key;
  key.type = QEVENT_KEYPRESS;
  key.window = app->GetBC();
  key.n = 'q';
  calls.clear();
  QEventPush(key);
  EXPECT_EQ(app->ProcessEvent(), 0);
  EXPECT_EQ(calls, "12");
  EXPECT_TRUE(Seen().empty());

  key.n = 'z';  // no handler, no window takes it: the event procedure sees it
  calls.clear();
  QEventPush(key);
  EXPECT_EQ(app->ProcessEvent(), 1);
  EXPECT_EQ(calls, "12");
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0].n, 'z');
  app->SetEventProc(Consume);
  QEventPush(key);
  EXPECT_EQ(app->ProcessEvent(), 0);

  // Handlers see keys only.
  QEvent click;
  click.type = QEVENT_CLICK;
  click.window = app->GetBC();
  calls.clear();
  QEventPush(click);
  EXPECT_EQ(app->ProcessEvent(), 0);
  EXPECT_EQ(calls, "p");

  for (int i = 0; i < 3; ++i) ASSERT_TRUE(app->AddKeyboardHandler(Other));
  capture.Take();
  EXPECT_FALSE(app->AddKeyboardHandler(Other));
  EXPECT_NE(capture.Take().find("QApp::AddKeyboardHandler(); out of handlers"), std::string::npos);
  EXPECT_TRUE(app->RemoveKeyboardHandler(First));
  EXPECT_TRUE(app->AddKeyboardHandler(Consume));
  EXPECT_TRUE(app->RemoveKeyboardHandler(Second));
  EXPECT_FALSE(app->RemoveKeyboardHandler(Second));
  EXPECT_NE(capture.Take().find("QApp::RemoveKeyboardHandler(); can't find handler (0x"), std::string::npos);
  EXPECT_EQ(app->AddTimer(10, Idle), 0);
  EXPECT_NE(capture.Take().find("QApp:AddTimer() not supported on Win32/Linux"), std::string::npos);
}

TEST_F(App, DefaultColoursAndTheLogsName) {
  Display *display = QGetXDisplay();
  EXPECT_EQ(app->GetColor(0), WhitePixel(display, 0));
  EXPECT_EQ(app->GetColor(5), 0xFF0000u);  // "red" on a 24-bit TrueColor screen
  EXPECT_EQ(app->GetColor(10), BlackPixel(display, 0));
  EXPECT_EQ(app->GetColor(-1), BlackPixel(display, 0));
  EXPECT_EQ(app->GetColor(-100000), BlackPixel(display, 0));
  EXPECT_GE(app->GetDisplayFD(), 0);

  const int quiet = QLOG_NOTE | QLOG_NO_REMOTE | QLOG_NO_STDERR;
  qlog(quiet, "with the application");
  app.reset();
  qlog(quiet, "after it");
  const std::string log = kiln::test::ReadFile("QLOG.txt");
  EXPECT_NE(log.find("[apptest/" + std::to_string(getpid()) + "] with the application"), std::string::npos);
  EXPECT_NE(log.find("[noqapp/" + std::to_string(getpid()) + "] after it"), std::string::npos);
  EXPECT_EQ(QGetApp(), nullptr);
  EXPECT_EQ(QGetWindowHost(), nullptr);
}

TEST_F(App, ReplacedFontsLiveOnForTheWindowsHoldingThem) {
  ASSERT_TRUE(app->Create());
  QRect place;
  place.Set(300, 700, 200, 60);
  QGroup group(app->GetShell(), place, "Held");
  QFont mine("fixed", 13);
  ASSERT_TRUE(mine.Create());
  app->SetFont(&mine);
  app->SetFixedFont(&mine);
  EXPECT_EQ(app->GetFont(), &mine);
  EXPECT_NE(app->CreateFonts(), 0);  // there is a font: nothing made
  group.Paint(0);                    // with the font it was given
  app->SetFont(nullptr);
  app->SetFixedFont(nullptr);
}

// The file's header and pixels against what X shows in the window.
void ExpectShotOf(const std::string &file, Window window, int width, int height) {
  const std::string bytes = kiln::test::ReadFile(file);
  ASSERT_EQ(bytes.size(), 18u + 4u * static_cast<unsigned>(width * height)) << file;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  EXPECT_EQ(byte(2), 2);  // uncompressed true colour
  EXPECT_EQ(byte(12) | byte(13) << 8, width);
  EXPECT_EQ(byte(14) | byte(15) << 8, height);
  EXPECT_EQ(byte(16), 32);
  EXPECT_EQ(byte(17), 8);  // eight alpha bits, rows from the bottom
  ShownPixels shown(QGetXDisplay(), window, 0, 0, width, height);
  ASSERT_TRUE(shown.IsRead());
  int wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::size_t at = 18 + 4 * static_cast<std::size_t>((height - 1 - y) * width + x);
      const kiln::test::Rgb inFile{byte(at + 2), byte(at + 1), byte(at)};
      if (inFile != shown.At(x, y) || byte(at + 3) != 255) {
        if (!wrong) ADD_FAILURE() << x << "," << y << " file " << inFile[0] << " " << inFile[1] << " " << inFile[2] << " shown " << shown.At(x, y)[0]<< " " << shown.At(x, y)[1];
        ++wrong;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << file;
}

TEST_F(App, ScreenshotKeysWriteNewFilesAndLeavePlantedLinksAlone) {
  ASSERT_TRUE(app->Create());
  QBC *bc = app->GetBC();
  QCanvas *canvas = bc->GetCanvas();
  canvas->SetColor(30, 160, 90);
  canvas->Rectfill(0, 0, 768, 576);
  canvas->SetColor(250, 250, 0);
  canvas->Rectfill(100, 50, 40, 30);
  bc->Swap();
  MoveTo(45 + 300, 45 + 300);
  Settle();

  // A link planted under the first free name, pointing at a file of ours.
  kiln::test::TempDir dir;
  dir.WriteFile("victim", "keep me");
  std::set<std::string> before = Screenshots("ui");
  std::string planted;
  for (int n = 1; planted.empty(); ++n) {
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/ui%05d.tga", n);
    if (!before.count(name) && symlink(dir.Path("victim").c_str(), name) == 0) planted = name;
  }
  before.insert(planted);

  Tap(XK_F11);
  std::string shot;
  ASSERT_TRUE(Pump([&] { return !(shot = Appeared(before, Screenshots("ui"))).empty(); }));
  EXPECT_NE(shot, planted);
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("victim")), "keep me");
  char target[256] = {};
  EXPECT_GT(readlink(planted.c_str(), target, sizeof target - 1), 0);
  EXPECT_NE(capture.Take().find("> Saving screenshot of UI in '" + shot + "'\n"), std::string::npos);
  ExpectShotOf(shot, ShellWindow(), 1280, 1024);
  unlink(shot.c_str());
  unlink(planted.c_str());

  const std::set<std::string> beforeBC = Screenshots("bc");
  ChordSent({XK_Control_L, XK_Alt_L}, XK_F12, BCWindow(), ControlMask | Mod1Mask);
  ASSERT_TRUE(Pump([&] { return !(shot = Appeared(beforeBC, Screenshots("bc"))).empty(); }));
  ExpectShotOf(shot, BCWindow(), 768, 576);
  unlink(shot.c_str());
}

TEST_F(App, AScreenshotOfAMissingWindowLeavesNoFile) {
  app->NoBC();
  ASSERT_TRUE(app->Create());
  MoveTo(600, 600);
  Settle();
  const std::set<std::string> before = Screenshots("bc");
  capture.Take();
  ChordSent({XK_Control_L, XK_Alt_L}, XK_F12, ShellWindow(), ControlMask | Mod1Mask);
  ASSERT_TRUE(Pump([&] { return capture.Take().find("> No BC present.\n") != std::string::npos; }));
  EXPECT_EQ(Screenshots("bc"), before);
}

// Ending a program: each in a process of its own (a fresh one: a forked
// copy of a process that ran OpenGL inherits a renderer without its
// threads), which connects itself.
void TypeKeys(std::initializer_list<KeySym> modifiers, KeySym key) {
  kiln::test::FakeInput input;
  if (!input.OpenInput()) _exit(9);
  input.MoveTo(600, 600);
  input.Chord(modifiers, key);
  input.CloseInput();
}

void PumpFor(QApp &app, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 2) {
    XSync(QGetXDisplay(), False);
    while (app.ProcessEvent() != 2) {
    }
    QWaitMilli(2);
  }
}

int exits = 0;
void CancelFirstExit() {
  std::fprintf(stderr, "exit procedure %d\n", ++exits);
  if (exits == 1) QGetApp()->CancelExit();
}

// Runs the program until Alt+F4 (twice) or Ctrl+Alt+Delete end it.
void EndByKeys(bool altF4) {
  QApp app("exits", "Exits");
  app.SetExitProc(CancelFirstExit);
  if (!app.Create()) _exit(8);
  PumpFor(app, 300);  // shown before the keys come
  if (altF4) {
    TypeKeys({XK_Alt_L}, XK_F4);
    PumpFor(app, 500);
    std::fprintf(stderr, "still running\n");
    TypeKeys({XK_Alt_L}, XK_F4);
  } else {
    exits = 1;  // nothing to cancel
    TypeKeys({XK_Control_L, XK_Alt_L}, XK_Delete);
  }
  PumpFor(app, 3000);
  _exit(7);
}

class AppExit : public ::testing::Test {
protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  }
};

TEST_F(AppExit, AltF4AsksTheExitProcedureWhichMayCancelOnce) {
  EXPECT_EXIT(EndByKeys(true), ::testing::ExitedWithCode(0),
              "exit procedure 1\nstill running\nexit procedure 2\n");
}

TEST_F(AppExit, CtrlAltDeleteAndExitEndTheProcess) {
  EXPECT_EXIT(EndByKeys(false), ::testing::ExitedWithCode(0), "exit procedure 2\n");
  EXPECT_EXIT(
      {
        QApp app("exits", "Exits");
        app.NoShell();
        app.NoBC();
        app.Create();
        app.Exit(3);
      },
      ::testing::ExitedWithCode(3), "");
}

TEST_F(AppExit, NoDisplayEndsWithStatusOneAndTheTitle) {
  EXPECT_EXIT(
      {
        setenv("DISPLAY", ":4711", 1);
        QApp app("nodisplay", "Title Of The Program");
      },
      ::testing::ExitedWithCode(1), "");
  // Errors go to the log.
  EXPECT_NE(kiln::test::ReadFile("QLOG.txt").find("[nodisplay/"), std::string::npos);
  EXPECT_NE(kiln::test::ReadFile("QLOG.txt").find("Can't open X11 display (Title Of The Program)"), std::string::npos);
}

}  // namespace
