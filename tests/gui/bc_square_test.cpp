// The example program, run as a user runs it: started under the test's X
// server, clicked, keyed and screenshotted, and ended with Alt+F4.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>

#include "fake_input.h"
#include "screenshot_files.h"
#include "targa_picture.h"
#include "test_support.h"

namespace {

// The innermost window at a point of the root window.
Window WindowAt(Display *display, int x, int y) {
  Window at = DefaultRootWindow(display), child = 0;
  int childX, childY;
  while (XTranslateCoordinates(display, DefaultRootWindow(display), at, x, y, &childX, &childY, &child) && child) {
    at = child;
  }
  return at;
}

TEST(BCSquare, ClickedKeyedScreenshottedAndClosed) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  kiln::test::FakeInput input;
  ASSERT_TRUE(input.OpenInput());
  input.MoveTo(1200, 1000);
  kiln::test::TempDir dir;
  kiln::test::BackgroundProgram program({BC_SQUARE_PATH}, dir.path());
  ASSERT_TRUE(program.WaitForOutput("bc_square: ready\n", 10000)) << program.Wait(0).err;

  // The BC lies at (45, 45) in the shell at the origin.
  input.Click(45 + 100, 45 + 80);
  input.Tap(XK_Right);
  input.Tap(XK_Right);
  input.Tap(XK_Down);
  usleep(300000);
  const std::set<std::string> before = kiln::test::Screenshots("bc");
  // The server keeps Ctrl+Alt+F12 (a terminal switch): the key is sent to
  // the BC, the modifiers held through XTEST.
  input.ChordSent({XK_Control_L, XK_Alt_L}, XK_F12, WindowAt(input.sender, 45 + 300, 45 + 300),
                  ControlMask | Mod1Mask);
  std::string shot;
  for (int waited = 0; shot.empty() && waited < 5000; waited += 20) {
    shot = kiln::test::Appeared(before, kiln::test::Screenshots("bc"));
    usleep(20000);
  }
  ASSERT_FALSE(shot.empty());
  usleep(200000);  // written by now
  const kiln::test::TargaPicture picture(kiln::test::ReadFile(shot));
  unlink(shot.c_str());
  ASSERT_EQ(picture.width, 768);
  ASSERT_EQ(picture.height, 576);
  EXPECT_EQ(picture.At(100, 80), (std::array<int, 3>{255, 0, 0}));  // the marker's centre
  EXPECT_EQ(picture.At(96, 80), (std::array<int, 3>{255, 0, 0}));
  // The square, moved 16 right and 8 down from (352, 256).
  EXPECT_EQ(picture.At(368, 264), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(picture.At(431, 327), (std::array<int, 3>{255, 255, 255}));
  EXPECT_NE(picture.At(367, 300), (std::array<int, 3>{255, 255, 255}));

  input.Chord({XK_Alt_L}, XK_F4);
  const auto result = program.Wait(10000);
  input.CloseInput();
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("bc_square: bye\n"), std::string::npos) << result.out;
}

// The gallery's picture: the first frame, without a swap, and the program
// ends by itself.
TEST(BCSquare, ScreenshotIsTheFirstFrame) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  kiln::test::TempDir dir;
  const auto run = kiln::test::RunProgram({BC_SQUARE_PATH, "--screenshot", "first.tga"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  const kiln::test::TargaPicture picture(kiln::test::ReadFile(dir.Path("first.tga")));
  ASSERT_EQ(picture.width, 768);
  EXPECT_EQ(picture.At(352, 256), (std::array<int, 3>{255, 255, 255}));  // the square where it starts
  EXPECT_NE(picture.At(351, 256), (std::array<int, 3>{255, 255, 255}));
}

}  // namespace
