// Windows and the window manager with real input: XTEST moves the pointer,
// presses keys and buttons on a second connection, and the events come
// through the queue and the manager to the windows' handlers.
#include <gtest/gtest.h>

#include <kiln/qdisplay.h>
#include <kiln/qgroup.h>
#include <kiln/qshell.h>
#include <kiln/qxwindow.h>

#include <algorithm>
#include <random>

#include "window_fixture.h"

using kiln::test::RealProbe;
using kiln::test::SoftProbe;
using kiln::test::TestDisplay;

namespace {

class Windows : public kiln::test::WindowFixture {
protected:
  static Window FocusOfX() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(TestDisplay(), &focus, &revert);
    return focus;
  }
  static Window XOf(const QWindow &window) { return QWindow::GetXWindowOf(&window)->GetXWindow(); }
};

TEST_F(Windows, EnteringGivesTheXFocusAndKeysFollowIt) {
  RealProbe left(nullptr, 10, 10, 100, 80), right(nullptr, 200, 10, 100, 80);
  ASSERT_TRUE(left.Create());
  ASSERT_TRUE(right.Create());
  XSetInputFocus(TestDisplay(), XOf(right), RevertToParent, CurrentTime);
  // In force before the pointer enters: a focus change stamped later would
  // make the enter's own (earlier) one be ignored.
  XSync(TestDisplay(), False);
  MoveTo(50, 50);
  ASSERT_TRUE(Pump([&] { return left.Saw("enter"); }));
  EXPECT_EQ(FocusOfX(), XOf(left));
  Tap(XK_x);
  ASSERT_TRUE(Pump([&] { return left.Saw("release 78"); })) << ::testing::PrintToString(left.log);
  EXPECT_TRUE(left.Saw("key 78 at 40,40"));
  EXPECT_TRUE(right.log.empty());
}

TEST_F(Windows, SoftChildKeysBubbleEntersDoNot) {
  RealProbe parent(nullptr, 10, 10, 200, 150);
  ASSERT_TRUE(parent.Create());
  SoftProbe child(&parent, 20, 30, 50, 40);
  ASSERT_TRUE(child.Create());
  MoveTo(10 + 20 + 5, 10 + 30 + 7);
  ASSERT_TRUE(Pump([&] { return parent.Saw("enter"); }));
  XSetInputFocus(TestDisplay(), XOf(parent), RevertToParent, CurrentTime);
  Tap(XK_a);
  ASSERT_TRUE(Pump([&] { return parent.Saw("key 61 at 5,7"); }));
  EXPECT_TRUE(child.Saw("key 61 at 5,7"));  // first the child, which left it

  QEvent enter;
  enter.type = QEVENT_ENTER;
  enter.window = &child;
  parent.Take();
  EXPECT_FALSE(manager->DispatchEvent(&enter));
  EXPECT_TRUE(child.Saw("enter"));
  EXPECT_TRUE(parent.log.empty());
}

TEST_F(Windows, CaptureKeepsMotionAndReleaseOutside) {
  RealProbe frame(nullptr, 10, 10, 300, 200);
  ASSERT_TRUE(frame.Create());
  SoftProbe knob(&frame, 50, 50, 40, 40);
  ASSERT_TRUE(knob.Create());
  MoveTo(70, 70);
  Button(1, true);
  ASSERT_TRUE(Pump([&] { return knob.Saw("press 1 at 10,10"); }));
  manager->SetCapture(&knob);
  MoveTo(210, 160);  // off the knob, inside the frame
  ASSERT_TRUE(Pump([&] { return knob.Saw("motion at 150,100"); }));
  MoveTo(400, 300);  // off the frame too
  Button(1, false);
  ASSERT_TRUE(Pump([&] { return knob.Saw("up 1 at 340,240"); }));
  manager->ReleaseCapture();
}

TEST_F(Windows, TabCyclesTheFocusWithWrapping) {
  RealProbe frame(nullptr, 10, 10, 300, 200);
  ASSERT_TRUE(frame.Create());
  SoftProbe first(&frame, 10, 10, 20, 20), second(&frame, 40, 10, 20, 20), third(&frame, 70, 10, 20, 20);
  for (SoftProbe *window : {&first, &second, &third}) {
    ASSERT_TRUE(window->Create());
    window->SetTabOrder(-2);
  }
  EXPECT_EQ(third.GetTabOrder(), 2);
  manager->SetFocus(&third);
  MoveTo(200, 150);
  ASSERT_TRUE(Pump([&] { return frame.Saw("enter") && third.Saw("focus in"); }));
  Tap(XK_Tab);  // from 2 round to 0
  ASSERT_TRUE(Pump([&] { return first.Saw("focus in"); }));
  EXPECT_TRUE(third.Saw("focus out"));
  Key(XK_Shift_L, true);
  Tap(XK_Tab);  // back round to 2
  Key(XK_Shift_L, false);
  ASSERT_TRUE(Pump([&] { return manager->GetFocus() == &third; }));

  manager->FocusPrevious();
  EXPECT_EQ(manager->GetFocus(), &second);
  manager->FocusNext();
  EXPECT_EQ(manager->GetFocus(), &third);
  manager->DisableTabbing();
  Tap(XK_Tab);
  Settle();
  EXPECT_EQ(manager->GetFocus(), &third);
  manager->EnableTabbing();
  Tap(XK_Tab);
  ASSERT_TRUE(Pump([&] { return manager->GetFocus() == &first; }));
  // Without the focus window, cycling starts again from the first.
  second.Disable();
  manager->RemoveWindow(&first);
  EXPECT_EQ(manager->GetFocus(), nullptr);
  manager->FocusNext();
  EXPECT_EQ(manager->GetFocus(), &third);
}

TEST_F(Windows, DestroyingTheFocusAndTheCaptureWithEventsQueued) {
  RealProbe frame(nullptr, 10, 10, 300, 200);
  ASSERT_TRUE(frame.Create());
  auto focused = std::make_unique<SoftProbe>(&frame, 10, 10, 50, 50);
  auto captured = std::make_unique<SoftProbe>(&frame, 100, 10, 50, 50);
  SoftProbe last(&frame, 200, 100, 50, 50);
  for (QWindow *window : {static_cast<QWindow *>(focused.get()), static_cast<QWindow *>(captured.get()),
                          static_cast<QWindow *>(&last)}) {
    ASSERT_TRUE(window->Create());
  }
  MoveTo(150, 100);
  Settle();
  manager->SetFocus(focused.get());
  manager->SetCapture(captured.get());
  XSetInputFocus(TestDisplay(), XOf(frame), RevertToParent, CurrentTime);
  Settle();
  frame.Take();
  last.Take();
  // A key for the focus, a click for the capture: queued, not yet handed out.
  Tap(XK_b);
  Button(1, true);
  Button(1, false);
  for (int waited = 0; QEventCount() < 4 && waited < 2000; ++waited) {
    XSync(TestDisplay(), False);
    QEventPending();
    QWaitMilli(1);
  }
  ASSERT_EQ(QEventCount(), 4);
  focused.reset();
  captured.reset();
  EXPECT_EQ(manager->GetFocus(), nullptr);
  EXPECT_EQ(manager->GetCapture(), nullptr);
  Settle();  // what was theirs reaches no one
  EXPECT_TRUE(frame.log.empty());
  EXPECT_TRUE(last.log.empty());
  MoveTo(10 + 200 + 5, 10 + 100 + 5);
  Button(1, true);
  Button(1, false);
  ASSERT_TRUE(Pump([&] { return last.Saw("press 1 at 5,5"); }));
}

TEST_F(Windows, TableOfAThousandAndStackingOrder) {
  RealProbe frame(nullptr, 0, 0, 100, 100);
  ASSERT_TRUE(frame.Create());
  std::vector<std::unique_ptr<QWindow>> many;
  for (int i = 1; i < QWindowManager::kMaxWindows; ++i) {
    many.push_back(std::make_unique<QWindow>(&frame, i % 90, 0, 10, 10));
    many.back()->Create();
  }
  EXPECT_EQ(manager->GetCount(), 1000);
  QWindow extra(&frame, 0, 0, 10, 10);
  extra.Create();
  EXPECT_EQ(capture.Take(), "** Error: WindowManager: max number of windows reached (1000)\n");
  EXPECT_FALSE(manager->IsRegistered(&extra));
  many[500].reset();
  QWindow next(&frame, 0, 0, 10, 10);
  next.Create();
  EXPECT_EQ(manager->GetWindow(0), &next);
  EXPECT_EQ(manager->GetCount(), 1000);
  many.clear();

  // The newest is on top for the pointer; the oldest first by class.
  QWindow older(&frame, 20, 20, 40, 40), newer(&frame, 30, 30, 40, 40);
  older.Create();
  newer.Create();
  older.SetEventMask(16);
  newer.SetEventMask(16);
  EXPECT_EQ(manager->WindowAt(XOf(frame), 35, 35), &newer);
  EXPECT_EQ(manager->WindowAtMask(35, 35, 16), &older);
  EXPECT_EQ(manager->WindowAtMask(65, 65, 16), &newer);
  EXPECT_EQ(manager->WindowAtMask(35, 35, 32), nullptr);
  manager->Raise(&older);
  EXPECT_EQ(manager->WindowAt(XOf(frame), 35, 35), &older);
}

TEST_F(Windows, DispatchOrderAndTheBuiltInKeys) {
  RealProbe frame(nullptr, 0, 0, 200, 100);
  ASSERT_TRUE(frame.Create());
  SoftProbe target(&frame, 10, 10, 50, 50), shortcut(&frame, 100, 10, 50, 50);
  target.Create();
  shortcut.Create();
  shortcut.SetEventMask(QWEC_SHORTCUT);
  QEvent key;
  key.type = QEVENT_KEYPRESS;
  key.n = 'k';
  key.window = &target;
  shortcut.handles = true;
  EXPECT_TRUE(manager->DispatchEvent(&key));
  EXPECT_TRUE(shortcut.Saw("key 6b at 0,0"));
  EXPECT_TRUE(target.log.empty());
  shortcut.handles = false;
  target.Disable();  // a disabled target takes no input, but its parent may
  EXPECT_FALSE(manager->DispatchEvent(&key));
  EXPECT_TRUE(frame.Saw("key 6b at 0,0"));
  EXPECT_TRUE(target.log.empty());

  QEvent close = key;
  close.n = 0x8FFC1;  // Alt+F4: a close for the shell
  QShell appShell(nullptr, 0, 0, 50, 50);
  appShell.Create();
  shell = &appShell;
  manager->DispatchEvent(&close);
  EXPECT_EQ(close.type, QEVENT_CLOSE);
  EXPECT_EQ(close.window, &appShell);
  QEvent quit = key;
  quit.n = 0xCFFFF;
  manager->DispatchEvent(&quit);
  EXPECT_EQ(exitCode, 0);
  shell = nullptr;
}

TEST_F(Windows, LifetimesThatUsedToGoWrong) {
  RealProbe frame(nullptr, 0, 0, 200, 100);
  EXPECT_TRUE(frame.Create());
  EXPECT_TRUE(frame.Create());  // once in the table
  EXPECT_EQ(manager->GetCount(), 1);
  frame.PrefWM(true);
  EXPECT_EQ(capture.Take(), "QWindow:PrefWM() called after window was created\n");
  EXPECT_FALSE(frame.GetFlags() & QWF_MANAGED);
  QWindow orphan(nullptr, 0, 0, 10, 10);
  EXPECT_FALSE(orphan.Create());
  EXPECT_EQ(capture.Take(), "** Error: QWindow::Create() without a parent real X window\n");
  EXPECT_FALSE(manager->RemoveWindow(&orphan));
  EXPECT_NE(capture.Take().find("RemoveWindow: win"), std::string::npos);

  // A parent destroyed before its children: they leave the table and lose it.
  auto panel = std::make_unique<SoftProbe>(&frame, 10, 10, 100, 80);
  panel->Create();
  SoftProbe button(panel.get(), 5, 5, 20, 20), grandchild(&button, 1, 1, 5, 5);
  button.Create();
  grandchild.Create();
  button.Invalidate();
  panel.reset();
  EXPECT_FALSE(manager->IsRegistered(&button));
  EXPECT_FALSE(manager->IsRegistered(&grandchild));
  EXPECT_EQ(button.GetParent(), nullptr);
  EXPECT_EQ(grandchild.GetParent(), &button);
  Settle();
  EXPECT_TRUE(button.log.empty());

  // A handler that destroys its own window: no bubbling from it.
  struct Closer : SoftProbe {
    using SoftProbe::SoftProbe;
    bool OnButtonPress(int, int, int) override {
      self.reset();
      return false;
    }
    std::unique_ptr<QWindow> self;
  };
  auto *closer = new Closer(&frame, 0, 0, 30, 30);
  closer->self.reset(closer);
  closer->Create();
  QEvent press;
  press.type = QEVENT_BUTTONPRESS;
  press.n = 1;
  press.window = closer;
  frame.Take();
  EXPECT_FALSE(manager->DispatchEvent(&press));
  EXPECT_TRUE(frame.log.empty());

  // A window that outlives the manager leaves it alone.
  auto late = std::make_unique<SoftProbe>(&frame, 0, 0, 10, 10);
  late->Create();
  manager.reset();
  late.reset();
}

TEST_F(Windows, HidingMovingAndResizingExposeWhatWasUnder) {
  RealProbe frame(nullptr, 0, 0, 200, 100);
  ASSERT_TRUE(frame.Create());
  SoftProbe panel(&frame, 10, 20, 30, 40);
  ASSERT_TRUE(panel.Create());
  QEventFree();
  auto next = [] {
    QEvent event;
    QEventGet(&event);
    return std::vector<int>{event.type, event.x, event.y, event.width, event.height};
  };
  // The real parent's expose goes to its soft children too.
  panel.Hide();
  EXPECT_FALSE(panel.IsVisible());
  EXPECT_EQ(next(), (std::vector<int>{QEVENT_EXPOSE, 10, 20, 30, 40}));  // the child's own part
  EXPECT_EQ(next(), (std::vector<int>{QEVENT_EXPOSE, 10, 20, 30, 40}));  // the parent's
  EXPECT_EQ(manager->WindowAt(XOf(frame), 15, 25), &frame);
  panel.Show();
  EXPECT_EQ(next(), (std::vector<int>{QEVENT_EXPOSE, 0, 0, 30, 40}));
  panel.SetPos(50, 20);
  EXPECT_EQ(QEventCount(), 3);  // the old place (child and parent), then the window itself
  QEventFree();
  EXPECT_EQ(manager->GetRect(&panel).x, 50);
  panel.SetSize(5, 5);
  EXPECT_EQ(manager->WindowAt(XOf(frame), 56, 21), &frame);
  EXPECT_EQ(manager->WindowAt(XOf(frame), 54, 21), &panel);
  panel.Hide();
  frame.Hide();  // a real window can't be hidden
  EXPECT_EQ(capture.Take(), "Can't hide X QWindow\n");
}

TEST_F(Windows, WaitingForAnExposeEnds) {
  RealProbe frame(nullptr, 0, 0, 50, 50);
  frame.Create();
  frame.Invalidate();
  EXPECT_TRUE(manager->WaitForExposure());
  EXPECT_EQ(QEventCount(), 0);
  EXPECT_FALSE(manager->WaitForExposure());
  EXPECT_NE(capture.Take().find("no expose came within 2000 ms"), std::string::npos);
}

TEST_F(Windows, XWindowPreferencesAndRefusals) {
  QXWindow pseudo(nullptr, 0, 0, 20, 20);
  pseudo.PrefPseudoColor();
  ASSERT_TRUE(pseudo.Create());  // no 8-bit visual here: the OpenGL one
  EXPECT_NE(capture.Take().find("no 8-bit PseudoColor visual"), std::string::npos);
  EXPECT_GE(pseudo.GetVisualInfo()->depth, 24);
  pseudo.SetPos(30, 40);
  pseudo.SetSize(25, 35);
  XSync(TestDisplay(), False);
  EXPECT_EQ(pseudo.GetX(), 30);
  EXPECT_EQ(pseudo.GetY(), 40);
  pseudo.ShowCursor();
  pseudo.DisableMinimize();
  pseudo.Destroy();
  EXPECT_EQ(capture.Take(),
            "QXWindow:ShowCursor() nyi for non-Win32\nQXWindow:DisableMinimize() nyi on this platform\n"
            "** Error: QXWindow:Destroy NYI\n");
  // A display that can't be opened leaves the drawing layer's as it was.
  QDisplay nowhere("nowhere:99");
  EXPECT_FALSE(nowhere.IsOpen());
  EXPECT_EQ(QGetXDisplay(), TestDisplay());
  // Full screen without the video-mode extension: said once, nothing switched.
  QXWindow full(nullptr, 0, 0, 20, 20);
  full.PrefFullScreen();
  ASSERT_TRUE(full.Create());
  EXPECT_NE(capture.Take().find("no video-mode extension"), std::string::npos);
}

// The window under the pointer, by the rule: the first registered window in
// stacking order that is visible and enabled, holds the point at its place
// in its nearest real ancestor, and lies in that X window.
QWindow *ByTheRule(const QWindowManager &manager, Window xwindow, int x, int y) {
  for (int i = 0; QWindow *window = manager.GetWindow(i); ++i) {
    if (!window->IsVisible() || !window->IsEnabled()) continue;
    QRect place = window->GetRect();
    const QWindow *real = window;
    if (window->IsX()) {
      place.x = place.y = 0;
    } else {
      for (real = window->GetParent(); real && !real->IsX(); real = real->GetParent()) {
        place.x += real->GetRect().x;
        place.y += real->GetRect().y;
      }
    }
    if (real && QWindow::GetXWindowOf(real)->GetXWindow() == xwindow && place.Contains(x, y)) return window;
  }
  return nullptr;
}

// Two real windows with nested soft windows, changed at random between
// lookups: moved, resized, raised, hidden, shown, disabled, enabled, made
// and destroyed. Every lookup finds the window the rule names.
TEST_F(Windows, ThePointersWindowFollowsEveryChange) {
  RealProbe left(nullptr, 0, 0, 300, 200), right(nullptr, 320, 0, 150, 120);
  ASSERT_TRUE(left.Create() && right.Create());
  std::mt19937 random(11);
  std::vector<std::unique_ptr<QWindow>> soft;
  const auto make = [&] {
    QWindow *parent = soft.empty() || random() % 3 == 0 ? (random() % 2 ? &left : &right)
                                                         : soft[random() % soft.size()].get();
    soft.push_back(std::make_unique<QWindow>(parent, static_cast<int>(random() % 200) - 20,
                                             static_cast<int>(random() % 150) - 20, static_cast<int>(random() % 90),
                                             static_cast<int>(random() % 70)));
    // Under a parent whose own parent went, there is no real window to lie in.
    if (!soft.back()->Create()) soft.pop_back();
  };
  for (int i = 0; i < 60; ++i) make();
  for (int step = 0; step < 400; ++step) {
    QWindow *window = soft.empty() ? nullptr : soft[random() % soft.size()].get();
    switch (window ? random() % 9 : 7) {
      case 0: window->SetPos(static_cast<int>(random() % 260) - 30, static_cast<int>(random() % 180) - 30); break;
      case 1: window->SetSize(static_cast<int>(random() % 120), static_cast<int>(random() % 90)); break;
      case 2: manager->Raise(window); break;
      case 3: window->Hide(); break;
      case 4: window->Show(); break;
      case 5: window->Disable(); break;
      case 6: window->Enable(); break;
      case 7: make(); break;
      default: {
        // Going takes its soft children out of the table with it (they lose
        // it as parent); those go too, the deepest first, as a program would
        // let them go.
        soft.erase(std::find_if(soft.begin(), soft.end(), [&](auto &owned) { return owned.get() == window; }));
        const auto depth = [](const QWindow *w) {
          int levels = 0;
          for (; w; w = w->GetParent()) ++levels;
          return levels;
        };
        std::stable_sort(soft.begin(), soft.end(), [&](auto &a, auto &b) { return depth(a.get()) > depth(b.get()); });
        for (auto &owned : soft) {
          if (!manager->IsRegistered(owned.get())) owned.reset();
        }
        soft.erase(std::remove(soft.begin(), soft.end(), nullptr), soft.end());
        break;
      }
    }
    capture.Take();
    for (int probe = 0; probe < 20; ++probe) {
      const QWindow &real = random() % 2 ? left : right;
      const int x = static_cast<int>(random() % 340) - 20, y = static_cast<int>(random() % 240) - 20;
      ASSERT_EQ(manager->WindowAt(XOf(real), x, y), ByTheRule(*manager, XOf(real), x, y))
          << "step " << step << " at " << x << ", " << y;
    }
  }
}

}  // namespace
