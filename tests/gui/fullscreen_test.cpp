// Full-screen windows on an Xorg server with the dummy driver (it has the
// video modes Xvfb lacks): the mode switches to the application's
// full-screen size, the pointer is grabbed, and the screen gets its mode
// back when the window goes or the program ends through qexit().
#include <gtest/gtest.h>

#include <kiln/qapp.h>
#include <kiln/qexit.h>
#include <kiln/qshell.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <X11/extensions/xf86vmode.h>

#include <cstdlib>
#include <string>

#include "test_support.h"
#include "window_fixture.h"

using kiln::test::RunInChild;

namespace {

class FullScreen : public kiln::test::WindowFixture {
protected:
  void SetUp() override {
    if (const char *reason = std::getenv("KILN_XORG_SKIP")) GTEST_SKIP() << reason;
    WindowFixture::SetUp();
    if (IsSkipped()) return;
    int event, error;
    if (!XF86VidModeQueryExtension(sender, &event, &error)) GTEST_SKIP() << "this X server has no video modes";
    ASSERT_EQ(ModeSeenByAnother(), "1280x1024");
  }

  void GetFullScreenMode(int *width, int *height, int *depth) override {
    *width = modeWidth;
    *height = modeHeight;
    *depth = 32;
  }

  // The mode as another client of the server sees it.
  std::string ModeSeenByAnother() const {
    int dotClock = 0;
    XF86VidModeModeLine line{};
    XF86VidModeGetModeLine(sender, 0, &dotClock, &line);
    if (line.privsize > 0) XFree(line.c_private);
    return std::to_string(line.hdisplay) + "x" + std::to_string(line.vdisplay);
  }

  int modeWidth = 640, modeHeight = 480;
};

TEST_F(FullScreen, SwitchesGrabsAndGivesTheModeBack) {
  {
    QShell ui(nullptr, 0, 0, 640, 480);
    ui.PrefFullScreen();
    ASSERT_TRUE(ui.Create());
    EXPECT_EQ(ModeSeenByAnother(), "640x480");
    const int grab = XGrabPointer(sender, DefaultRootWindow(sender), False, 0, GrabModeAsync, GrabModeAsync, None,
                                  None, CurrentTime);
    EXPECT_EQ(grab, AlreadyGrabbed);
  }
  EXPECT_EQ(ModeSeenByAnother(), "1280x1024");

  // No mode of that size: the screen keeps its own, nothing to give back.
  modeWidth = 700;
  modeHeight = 500;
  {
    QXWindow odd(nullptr, 0, 0, 700, 500);
    odd.PrefFullScreen();
    ASSERT_TRUE(odd.Create());
    EXPECT_EQ(ModeSeenByAnother(), "1280x1024");
  }
  EXPECT_EQ(ModeSeenByAnother(), "1280x1024");
}

TEST_F(FullScreen, AProgramEndingThroughQexitGivesTheModeBack) {
  const auto ended = RunInChild(
      [] {
        // A connection of the child's own.
        QSetXDisplay(XOpenDisplay(nullptr));
        QXWindow window(nullptr, 0, 0, 640, 480);
        window.PrefFullScreen();
        window.Create();
        int dotClock = 0;
        XF86VidModeModeLine line{};
        XF86VidModeGetModeLine(QGetXDisplay(), 0, &dotClock, &line);
        std::printf("%dx%d\n", line.hdisplay, line.vdisplay);
        std::fflush(stdout);
        qexit(3);  // the window is never destroyed
      },
      ".");
  EXPECT_EQ(ended.status, 3) << ended.err;
  EXPECT_EQ(ended.out, "640x480\n");
  EXPECT_EQ(ModeSeenByAnother(), "1280x1024");
}

TEST_F(FullScreen, TheApplicationsFullScreenShellSwitchesAndExitGivesTheModeBack) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, not a copy of one that drew
  EXPECT_EXIT(
      {
        QApp app("fullscreen", "Full screen");
        app.PrefFullScreen();
        app.NoBC();
        if (!app.Create()) std::_Exit(5);
        std::fprintf(stderr, "shown in %s\n", ModeSeenByAnother().c_str());
        app.Exit(0);
      },
      ::testing::ExitedWithCode(0), "shown in 640x480");
  EXPECT_EQ(ModeSeenByAnother(), "1280x1024");
}

}  // namespace
