// The 2D examples run as programs under the test's X server: their
// pictures at a known frame checked against pixels computed here (exact
// colours where one thing is drawn, counts where text is), and the
// animated one left to end by itself.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "targa_picture.h"
#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::TargaPicture;
using Rgb = std::array<int, 3>;

namespace {

TargaPicture Shot(const std::vector<std::string> &argv, const kiln::test::TempDir &dir) {
  const ProcessResult run = kiln::test::RunProgram(argv, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
  return TargaPicture(kiln::test::ReadFile(dir.Path("shot.tga")));
}

bool Near(const Rgb &a, const Rgb &b, int tolerance) {
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::abs(a[i] - b[i]) > tolerance) return false;
  }
  return true;
}

// Pixels of the colour (within 24 a channel) in a rectangle, and the rows
// that hold one.
struct Found {
  int pixels = 0, rows = 0;
};
Found Count(const TargaPicture &picture, const Rgb &colour, int x0, int y0, int x1, int y1) {
  Found found;
  for (int y = y0; y < y1; ++y) {
    int inRow = 0;
    for (int x = x0; x < x1; ++x) inRow += Near(picture.At(x, y), colour, 24);
    found.pixels += inRow;
    found.rows += inRow > 0;
  }
  return found;
}

TEST(Examples, CanvasTextDrawsShapesLinesAndBothKindsOfText) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr);
  kiln::test::TempDir dir;
  const TargaPicture shot = Shot({CANVAS_TEXT_PATH, "--screenshot", "shot.tga"}, dir);
  ASSERT_EQ(shot.width, 560);
  ASSERT_EQ(shot.height, 360);
  EXPECT_EQ(shot.At(80, 50), (Rgb{200, 60, 60}));    // the filled rectangle
  EXPECT_EQ(shot.At(20, 50), (Rgb{255, 255, 255}));  // its white outline
  EXPECT_TRUE(Near(shot.At(161, 50), {255, 200, 0}, 8));   // the gradient's ends
  EXPECT_TRUE(Near(shot.At(270, 50), {0, 160, 255}, 8));
  EXPECT_TRUE(Near(shot.At(480, 26), {214, 214, 214}, 4));  // the shaded panel's top
  EXPECT_EQ(shot.At(300, 104), (Rgb{255, 220, 0}));        // the solid line
  // The stippled line: four pixels on, four off.
  const Found dashes = Count(shot, {255, 220, 0}, 20, 112, 536, 113);
  EXPECT_NEAR(dashes.pixels, (536 - 20) / 2, 8);
  // Styled layers: the shadow's black and the white text; the outline's
  // black and the yellow text.
  EXPECT_GT(Count(shot, {0, 0, 0}, 20, 172, 276, 210).pixels, 150);
  EXPECT_GT(Count(shot, {255, 255, 255}, 20, 172, 276, 210).pixels, 150);
  EXPECT_GT(Count(shot, {255, 220, 0}, 20, 210, 276, 250).pixels, 150);
  // The texture font, and the same font scaled by 1.5: taller text.
  const Found plain = Count(shot, {120, 220, 255}, 300, 170, 560, 235);
  const Found scaled = Count(shot, {255, 160, 220}, 300, 230, 560, 330);
  EXPECT_GT(plain.pixels, 150);
  EXPECT_GT(scaled.pixels, plain.pixels);
  EXPECT_NEAR(static_cast<double>(scaled.rows) / plain.rows, 1.5, 0.25);
}

// The background the program makes: a sky over hills.
Rgb Background(int x, int y) {
  const bool hill = y > 330 + 50 * std::sin(x / 90.0) + 20 * std::sin(x / 23.0);
  return hill ? Rgb{40, 110 + y / 8, 50} : Rgb{90 + y / 5, 150 + y / 6, 230};
}

// The bar's colour at alpha 210 over the background.
Rgb OverBar(const Rgb &under) {
  const Rgb bar{20, 40, 110};
  Rgb mixed{};
  for (std::size_t i = 0; i < 3; ++i) mixed[i] = (bar[i] * 210 + under[i] * 45) / 255;
  return mixed;
}

TEST(Examples, LowerThirdSlidesTheCaptionInFadesTheLogoAndEnds) {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr);
  kiln::test::TempDir dir;
  // Frame 12: the bar's right edge at -560 + 600 * 12 / 25 + 560 = 288; the
  // logo still faint.
  TargaPicture shot = Shot({LOWER_THIRD_PATH, "--screenshot", "shot.tga", "--frame", "12"}, dir);
  ASSERT_EQ(shot.width, 768);
  EXPECT_TRUE(Near(shot.At(250, 500), OverBar(Background(250, 500)), 3));
  EXPECT_TRUE(Near(shot.At(300, 500), Background(300, 500), 3));
  const int ringX = 768 - 136 + 9, ringY = 40 + 48;  // on the logo's ring
  const Rgb faint = shot.At(ringX, ringY);
  EXPECT_GT(faint[0], Background(ringX, ringY)[0]);
  EXPECT_LT(faint[0], 250);
  // The last frame: the bar from 40 to 600, its yellow edge, the title on
  // it, the logo opaque.
  shot = Shot({LOWER_THIRD_PATH, "--screenshot", "shot.tga"}, dir);
  EXPECT_TRUE(Near(shot.At(580, 500), OverBar(Background(580, 500)), 3));
  EXPECT_TRUE(Near(shot.At(610, 500), Background(610, 500), 3));
  EXPECT_EQ(shot.At(44, 470), (Rgb{255, 190, 40}));
  EXPECT_GT(Count(shot, {255, 255, 255}, 60, 450, 580, 500).pixels, 200);
  EXPECT_EQ(shot.At(ringX, ringY), (Rgb{255, 255, 255}));
  // Left alone it ends by itself once the animation is over.
  const ProcessResult run = kiln::test::RunProgram({LOWER_THIRD_PATH}, dir.path());
  EXPECT_EQ(run.status, 0) << run.err;
}

}  // namespace
