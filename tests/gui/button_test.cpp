// Push buttons in a real application, pressed through XTEST: clicks only
// when released inside, shortcuts, click events that are key presses, Tab
// focus, and what they paint.
#include "app_fixture.h"

#include <kiln/qbutton.h>
#include <kiln/qwindowmanager.h>

#include "shown_pixels.h"

using kiln::test::AppFixture;
using kiln::test::Grey;
using kiln::test::Rgb;
using kiln::test::Shown;

namespace {

class Buttons : public AppFixture {
protected:
  void SetUp() override {
    AppFixture::SetUp();
    if (IsSkipped()) return;
    app->NoBC();
    app->NoStateManager();
    ASSERT_TRUE(app->Create());
    QRect place;
    place.Set(400, 700, 80, 30);
    button = std::make_unique<QButton>(app->GetShell(), place, "Go");
    Settle();
  }
  void TearDown() override {
    button.reset();
    AppFixture::TearDown();
  }
  int Clicks() const {
    int clicks = 0;
    for (const QEvent &event : Seen()) clicks += event.type == QEVENT_CLICK && event.window == button.get();
    return clicks;
  }
  std::unique_ptr<QButton> button;
};

TEST_F(Buttons, AClickIsAPressAndAReleaseInside) {
  MoveTo(420, 710);
  Button(1, true);
  ASSERT_TRUE(Pump([&] { return button->GetState() == QButton::PRESSED; }));
  EXPECT_EQ(app->GetWindowManager()->GetFocus(), button.get());
  MoveTo(600, 600);
  ASSERT_TRUE(Pump([&] { return button->GetState() == QButton::PRESSED_OUTSIDE; }));
  Button(1, false);
  ASSERT_TRUE(Pump([&] { return button->GetState() == QButton::RELEASED; }));
  Settle();
  EXPECT_EQ(Clicks(), 0);

  Button(1, true);  // outside: nothing
  MoveTo(420, 710);
  Button(1, false);
  Settle();
  EXPECT_EQ(button->GetState(), QButton::RELEASED);
  MoveTo(430, 712);
  Button(1, true);
  MoveTo(600, 600);
  MoveTo(440, 715);
  Button(1, false);
  ASSERT_TRUE(Pump([&] { return Clicks() == 1; }));
  Button(3, true);
  Button(3, false);
  Settle();
  EXPECT_EQ(Clicks(), 1);
  EXPECT_EQ(button->GetState(), QButton::RELEASED);
}

TEST_F(Buttons, ShortcutsClickAndAreConsumedUnlessPassed) {
  button->SetShortcut(QK_CONTROL | 'k', 7);
  int value = 0;
  EXPECT_EQ(button->GetShortcut(&value), QK_CONTROL | 'k');
  EXPECT_EQ(value, 7);
  MoveTo(600, 600);
  Chord({XK_Control_L}, XK_k);
  ASSERT_TRUE(Pump([&] { return Clicks() == 1; }));
  auto sawKey = [] { return SawEvent(QEVENT_KEYPRESS, [](const QEvent &e) { return e.n == (QK_CONTROL | 'k'); }); };
  EXPECT_FALSE(sawKey());
  button->SetPassShortcut(true);
  Chord({XK_Control_L}, XK_k);
  ASSERT_TRUE(Pump([&] { return Clicks() == 2; }));
  ASSERT_TRUE(Pump(sawKey));
}

TEST_F(Buttons, AClickCanBeAKeyPressThatPressesNothing) {
  button->SetEventType(QEVENT_KEYPRESS);
  button->SetShortcut(0x4FF53);
  MoveTo(420, 710);
  Button(1, true);
  Button(1, false);
  auto marked = [] {
    int count = 0;
    for (const QEvent &e : Seen()) count += e.type == QEVENT_KEYPRESS && e.marker == QEVENT_BUTTON_KEY_MARKER;
    return count;
  };
  ASSERT_TRUE(Pump([&] { return marked() == 1; }));
  Settle();
  EXPECT_EQ(marked(), 1);  // the key press did not press the button again
  EXPECT_TRUE(SawEvent(QEVENT_KEYPRESS, [](const QEvent &e) { return e.n == 0x4FF53; }));

  button->SetShortcut(0);  // no key to send: a click instead
  Button(1, true);
  Button(1, false);
  ASSERT_TRUE(Pump([&] { return Clicks() == 1; }));
  button->SetEventType(0);
  EXPECT_EQ(button->GetEventType(), QEVENT_CLICK);
}

TEST_F(Buttons, TabMovesTheFocusBetweenButtons) {
  QRect place;
  place.Set(500, 700, 80, 30);
  QButton second(app->GetShell(), place, "Stop");
  EXPECT_GT(second.GetTabOrder(), button->GetTabOrder());
  MoveTo(600, 600);
  app->GetWindowManager()->SetFocus(button.get());
  Settle();
  Tap(XK_Tab);
  ASSERT_TRUE(Pump([&] { return app->GetWindowManager()->GetFocus() == &second; }));
  Tap(XK_Tab);
  ASSERT_TRUE(Pump([&] { return app->GetWindowManager()->GetFocus() == button.get(); }));
}

TEST_F(Buttons, IconsShadowsAndPressedPanels) {
  QRect place;
  place.Set(100, 700, 40, 20);
  QButton play(app->GetShell(), place, "$PLAY");
  play.Paint(0);
  // The triangle (10, 5), (30, 10), (10, 15), in the shell at (100, 700).
  const Window shell = ShellWindow();
  Display *display = QGetXDisplay();
  for (auto [x, y] : {std::pair{11, 10}, std::pair{25, 10}, std::pair{12, 6}, std::pair{12, 13}}) {
    EXPECT_EQ(Shown(display, shell, 100 + x, 700 + y), (Rgb{0, 0, 0})) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{25, 7}, std::pair{20, 14}, std::pair{32, 10}}) {
    EXPECT_NE(Shown(display, shell, 100 + x, 700 + y), (Rgb{0, 0, 0})) << x << "," << y;
  }

  // With a shadow: bands of 40 and 70 grey at the right; pressed, one band
  // of 70 and the shell's grey beyond it.
  button->EnableShadow();
  button->Paint(0);
  EXPECT_EQ(Shown(display, shell, 400 + 80 - 3, 700 + 10), Grey(40));
  EXPECT_EQ(Shown(display, shell, 400 + 80 - 1, 700 + 10), Grey(70));
  MoveTo(420, 710);
  Button(1, true);
  ASSERT_TRUE(Pump([&] { return button->GetState() == QButton::PRESSED; }));
  EXPECT_EQ(Shown(display, shell, 400 + 80 - 3, 700 + 10), Grey(70));
  EXPECT_EQ(Shown(display, shell, 400 + 80 - 1, 700 + 10), Grey(192));
  Button(1, false);
  Settle();

  // The label is copied before the old one goes.
  button->SetText(button->GetText());
  EXPECT_STREQ(button->GetText(), "Go");
}

}  // namespace
