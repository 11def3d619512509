// A real application on the test's X server, its events driven through
// the whole loop by ProcessEvent(), input made through XTEST. The event
// procedure writes down what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <kiln/qapp.h>
#include <kiln/qbc.h>
#include <kiln/qshell.h>
#include <kiln/qutil.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "fake_input.h"
#include "message_capture.h"

namespace kiln::test {

class AppFixture : public ::testing::Test, protected FakeInput {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
    ASSERT_TRUE(OpenInput());
    MoveTo(1270, 1015);  // away from the BC
    Seen().clear();
    app = std::make_unique<QApp>("apptest", "App test");
    app->SetEventProc(Record);
    capture.Take();
  }
  void TearDown() override {
    app.reset();
    CloseInput();
  }

  // Takes every event the event procedure is offered; consumes none.
  static bool Record(QEvent *event) {
    Seen().push_back(*event);
    return false;
  }
  static std::vector<QEvent> &Seen() {
    static std::vector<QEvent> seen;
    return seen;
  }
  // Whether the event procedure saw an event of the type that `match`
  // accepts.
  static bool SawEvent(int type, const std::function<bool(const QEvent &)> &match = nullptr) {
    for (const QEvent &event : Seen()) {
      if (event.type == type && (!match || match(event))) return true;
    }
    return false;
  }

  // Runs the loop until `done` holds or the time is up.
  bool Pump(const std::function<bool()> &done, int milliseconds = 2000) {
    for (int waited = 0;; waited += 2) {
      XSync(QGetXDisplay(), False);
      while (app->ProcessEvent() != 2) {
      }
      if (done()) return true;
      if (waited >= milliseconds) return false;
      QWaitMilli(2);
    }
  }
  void Settle() {
    Pump([] { return false; }, 60);
  }

  Window ShellWindow() const { return app->GetShell()->GetQXWindow()->GetXWindow(); }
  Window BCWindow() const { return app->GetBC()->GetQXWindow()->GetXWindow(); }

  std::unique_ptr<QApp> app;
  MessageCapture capture;
};

}  // namespace kiln::test
