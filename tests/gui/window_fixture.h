// Windows on the test's X server with a window manager, the fixture acting
// as the application (the host windows ask for their manager, shell, font
// and current event), and input made through XTEST on a second connection,
// as a user's would arrive. After each test no X error came.
#pragma once

#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qdraw.h>
#include <kiln/qevent.h>
#include <kiln/qutil.h>
#include <kiln/qwindow.h>
#include <kiln/qwindowhost.h>
#include <kiln/qwindowmanager.h>
#include <kiln/qxdisplay.h>


#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fake_input.h"
#include "gl_window.h"
#include "message_capture.h"

namespace kiln::test {

// A window that writes down every event it gets ("press 1 at 5,6", "key
// ff09", "enter") and answers with `handles`.
template <typename Base>
class Recording : public Base {
public:
  using Base::Base;
  bool OnKeyPress(int key, int x, int y) override {
    Note("key " + Hex(key) + At(x, y));
    return handles || Base::OnKeyPress(key, x, y);
  }
  bool OnKeyRelease(int key, int, int) override { return Note("release " + Hex(key)); }
  bool OnButtonPress(int button, int x, int y) override { return Note("press " + std::to_string(button) + At(x, y)); }
  bool OnButtonRelease(int button, int x, int y) override {
    return Note("up " + std::to_string(button) + At(x, y));
  }
  bool OnMotion(int x, int y) override { return Note("motion" + At(x, y)); }
  bool OnEnter() override {
    Base::OnEnter();
    return Note("enter");
  }
  bool OnLeave() override { return Note("leave"); }
  bool OnFocusIn() override { return Note("focus in"); }
  bool OnFocusOut() override { return Note("focus out"); }

  // What came, emptied.
  std::vector<std::string> Take() { return std::move(log); }
  bool Saw(const std::string &what) const {
    for (const std::string &entry : log) {
      if (entry == what) return true;
    }
    return false;
  }

  bool handles = false;
  std::vector<std::string> log;

private:
  static std::string Hex(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
  }
  static std::string At(int x, int y) { return " at " + std::to_string(x) + "," + std::to_string(y); }
  bool Note(const std::string &what) {
    log.push_back(what);
    return handles;
  }
};

using SoftProbe = Recording<QWindow>;
using RealProbe = Recording<QDraw>;

class WindowFixture : public ::testing::Test, public QWindowHost, protected FakeInput {
protected:
  void SetUp() override {
    if (!TestDisplay() || !TestVisual()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    ASSERT_TRUE(OpenInput());
    MoveTo(1200, 1000);  // away from where tests put their windows
    QEventFree();
    QEventInit();
    manager = std::make_unique<QWindowManager>();
    QSetWindowHost(this);
    xErrors = QXErrorCount();
    capture.Take();
  }
  void TearDown() override {
    QSetWindowHost(nullptr);
    manager.reset();
    QEventFree();
    CloseInput();
    if (TestDisplay()) XSync(TestDisplay(), False);
    EXPECT_EQ(QXErrorCount(), xErrors);
  }

  QWindowManager *GetWindowManager() override { return manager.get(); }
  QShell *GetShell() override { return shell; }
  QFont *GetFont() override { return font; }
  const QEvent *GetCurrentEvent() override { return &current; }
  void Exit(int code) override { exitCode = code; }

  // Dispatches events as the application would until `done` holds, or
  // for `milliseconds`; true when it held.
  bool Pump(const std::function<bool()> &done, int milliseconds = 2000) {
    for (int waited = 0;; waited += 2) {
      XSync(TestDisplay(), False);
      while (QEventPending()) {
        QEventGet(&current);
        manager->DispatchEvent(&current);
      }
      if (done()) return true;
      if (waited >= milliseconds) return false;
      QWaitMilli(2);
    }
  }
  // Whatever is waiting, dispatched.
  void Settle() {
    Pump([] { return false; }, 30);
  }

  std::unique_ptr<QWindowManager> manager;
  QShell *shell = nullptr;
  QFont *font = nullptr;
  QEvent current;
  int exitCode = -1;
  MessageCapture capture;
  int xErrors = 0;
};

}  // namespace kiln::test
