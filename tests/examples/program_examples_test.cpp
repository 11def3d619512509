// The examples of states, models and diagnostics run as programs: slides
// driven through XTEST and its tape walked, saved and loaded; the minimal
// model viewer's first frame; the UDP log with no display.
#include <gtest/gtest.h>

#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "fake_input.h"
#include "shown_pixels.h"
#include "targa_picture.h"
#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::TargaPicture;
using Rgb = std::array<int, 3>;

namespace {

// The slides' grounds, in order, and where the program's windows lie: the
// shell at the screen's origin, the BC at (45, 45) in it.
const std::vector<Rgb> kGrounds = {{40, 60, 110}, {30, 100, 60}, {120, 60, 30}, {90, 40, 100}};
constexpr int kBC = 45;

class Slides : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr);
    ASSERT_TRUE(input.OpenInput());
    input.MoveTo(1200, 1000);
  }
  void TearDown() override { input.CloseInput(); }

  // The slide the BC shows once it shows the expected one, or what it
  // still shows after five seconds: a loaded machine (or a sanitized
  // build) may take a while to answer a click.
  int Shown(int expected) {
    int slide = -1;
    for (int waited = 0; waited < 5000 && slide != expected; waited += 100) {
      usleep(100000);
      slide = ShownNow();
    }
    return slide;
  }
  // The slide the BC shows: its ground, and the filled one of its dots.
  int ShownNow() {
    kiln::test::ShownPixels bc(input.sender, DefaultRootWindow(input.sender), kBC, kBC, 768, 576);
    if (!bc.IsRead()) return -1;
    int slide = -1;
    for (int i = 0; i < 4; ++i) {
      if (bc.At(kBC + 20, kBC + 300) == kGrounds[static_cast<std::size_t>(i)]) slide = i;
    }
    for (int i = 0; i < 4; ++i) {
      const bool filled = bc.At(kBC + 60 + 40 * i + 12, kBC + 452) == Rgb{255, 255, 255};
      if (filled != (i == slide)) return -2;
    }
    return slide;
  }
  void Click(int x, int y) {
    input.Click(x, y);
    input.MoveTo(1200, 1000);
  }
  void Next() { Click(723 + 45, 634 + 20); }
  void Back() { Click(633 + 40, 634 + 20); }
  // The state manager's panel at (45, 634): rewind, reverse, play, forward.
  void Reverse() { Click(45 + 37 + 18, 634 + 20); }
  void Play() { Click(45 + 74 + 18, 634 + 20); }

  kiln::test::FakeInput input;
  kiln::test::TempDir dir;
};

TEST_F(Slides, ButtonsChangeTheSlideAndThePanelWalksTheRecording) {
  kiln::test::BackgroundProgram program({SLIDES_PATH}, dir.path());
  ASSERT_TRUE(program.WaitForOutput("slides: ready\n", 10000)) << program.Wait(0).err;
  EXPECT_EQ(Shown(0), 0);
  Next();
  EXPECT_EQ(Shown(1), 1);
  Next();
  EXPECT_EQ(Shown(2), 2);
  Back();
  EXPECT_EQ(Shown(1), 1);
  // The recording: title, 1, 2, 1. Reverse enters the one before, play the
  // one after.
  Reverse();
  EXPECT_EQ(Shown(2), 2);
  Reverse();
  EXPECT_EQ(Shown(1), 1);
  Play();
  EXPECT_EQ(Shown(2), 2);
  // Saved as "bc.vcr" up to here (title, 1, 2); changed on; loaded again:
  // the slide the saved tape ends on.
  input.Chord({XK_Control_L}, XK_s);
  for (int waited = 0; !kiln::test::Exists(dir.Path("bc.vcr")) && waited < 5000; waited += 50) usleep(50000);
  ASSERT_TRUE(kiln::test::Exists(dir.Path("bc.vcr")));
  Next();
  EXPECT_EQ(Shown(3), 3);
  input.Chord({XK_Control_L}, XK_l);
  EXPECT_EQ(Shown(2), 2);
  input.Chord({XK_Alt_L}, XK_F4);
  const ProcessResult ended = program.Wait(5000);
  EXPECT_EQ(ended.status, 0) << ended.err;
}

TEST_F(Slides, TheScreenshotIsTheTitleSlide) {
  const ProcessResult run = kiln::test::RunProgram({SLIDES_PATH, "--screenshot", "shot.tga"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  const TargaPicture shot(kiln::test::ReadFile(dir.Path("shot.tga")));
  ASSERT_EQ(shot.width, 768);
  EXPECT_EQ(shot.At(20, 300), kGrounds[0]);
  EXPECT_EQ(shot.At(72, 452), (Rgb{255, 255, 255}));  // the first dot, filled
  EXPECT_EQ(shot.At(112, 452), kGrounds[0]);          // the second, hollow
}

// A cube with a one-colour texture on each face, +x, -x, +y, -y, +z, -z.
const std::vector<Rgb> kFaces = {{220, 30, 30}, {30, 220, 30}, {30, 30, 220}, {220, 220, 30}, {30, 200, 200}, {200, 30, 200}};

TEST(Examples, ModelViewerMinShowsTheModelFromItsFirstCameraPlace) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr);
  using namespace kiln::test::dof;
  kiln::test::TempDir dir;
  std::vector<std::string> materials, faces;
  for (std::size_t f = 0; f < 6; ++f) {
    const std::string texture = "face" + std::to_string(f) + ".tga";
    QBitMap image(32, 4, 4);
    for (int i = 0; i < 16; ++i) image.SetPixel(i % 4, i / 4, QColor(kFaces[f][0], kFaces[f][1], kFaces[f][2]));
    ASSERT_TRUE(image.Write(dir.Path(texture).c_str(), QBM_FORMAT_TGA));
    materials.push_back(WrittenMaterial("face" + std::to_string(f), {texture}));
  }
  // One geob per face: a thin box standing for it.
  for (int f = 0; f < 6; ++f) {
    const int axis = f / 2, sign = f % 2 ? -1 : 1;
    std::array<float, 3> size = {2, 2, 2}, at = {0, 0, 0};
    size[static_cast<std::size_t>(axis)] = 0.02f;
    at[static_cast<std::size_t>(axis)] = static_cast<float>(sign);
    faces.push_back(Box(f, size, at));
  }
  dir.WriteFile("cube.dof", Dof1({Mats(materials), Geob(faces)}));
  const ProcessResult run =
      kiln::test::RunProgram({MODEL_VIEWER_MIN_PATH, "cube.dof", "--screenshot", "shot.tga"}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;
  const TargaPicture shot(kiln::test::ReadFile(dir.Path("shot.tga")));
  ASSERT_EQ(shot.width, 640);
  // The first frame looks from +z, 20 degrees above: the +z face at the
  // centre, the +y face above it, the background in the corner; the
  // textures replace the colour, so each face shows its own exactly.
  EXPECT_EQ(shot.At(320, 260), kFaces[4]);
  EXPECT_EQ(shot.At(320, 130), kFaces[2]);
  EXPECT_NE(shot.At(5, 5), kFaces[4]);
}

TEST(Examples, UdpLogReceivesWhatItWritesWithoutADisplay) {
  kiln::test::TempDir dir;
  const ProcessResult run = kiln::test::RunProgram({"/usr/bin/env", "-u", "DISPLAY", UDP_LOG_PATH, "5"}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  for (int i = 1; i <= 5; ++i)
    EXPECT_NE(run.out.find("received: debug line " + std::to_string(i) + " of 5\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("received: plain text, the last\n"), std::string::npos);
  EXPECT_NE(run.out.find("udp_log: 6 of 6 messages arrived\n"), std::string::npos);
}

}  // namespace
