// The BC's modes and frames, and its swap read back from X: the letterboxed
// preview line by line (with the program's OpenGL state left messy, and
// given back), the guides, the alpha view.
#include "app_fixture.h"

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qwindowmanager.h>

#include <GL/gl.h>

#include <cstring>
#include <vector>

#include "shown_pixels.h"

using kiln::test::AppFixture;
using kiln::test::Rgb;
using kiln::test::ShownPixels;

namespace {

class BC : public AppFixture {
protected:
  // A BC of the mode in the shell, with its canvas on the back buffer.
  std::unique_ptr<QBC> Make(int mode, int width = 0, int height = 0, int x = 20, int y = 30) {
    auto bc = std::make_unique<QBC>(app->GetShell(), mode, x, y, width, height);
    EXPECT_TRUE(bc->Create());
    bc->GetCanvas()->SetBackBuffer(true);
    QGLContext::Select(bc->GetQXWindow()->GetGLContext());
    return bc;
  }
  void SetUp() override {
    AppFixture::SetUp();
    if (IsSkipped()) return;
    app->NoBC();
    ASSERT_TRUE(app->Create());
  }
};

// Every line tells its number: red the low byte, green the high one.
Rgb LineColour(int line) { return {line & 255, line >> 8, 0}; }

void DrawNumberedLines(int width, int height) {
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width * height) * 4);
  for (int row = 0; row < height; ++row) {
    const int line = height - 1 - row;  // rows count from the bottom
    for (int x = 0; x < width; ++x) {
      unsigned char *p = &pixels[static_cast<std::size_t>(row * width + x) * 4];
      p[0] = static_cast<unsigned char>(line & 255);
      p[1] = static_cast<unsigned char>(line >> 8);
      p[2] = 0;
      p[3] = 255;
    }
  }
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRasterPos2i(0, 0);
  glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

// The back buffer's line (from the top) at x.
Rgb BackLine(int x, int line, int height) {
  unsigned char p[4];
  glReadBuffer(GL_BACK);
  glReadPixels(x, height - 1 - line, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

TEST_F(BC, ModesSizeTheWindowAndTheFrameGoesAroundIt) {
  const struct {
    int mode, width, height;
  } kModes[] = {{1, 768, 576}, {2, 640, 480}, {3, 720, 576}, {4, 1280, 1024}, {5, 300, 200}};
  for (const auto &mode : kModes) {
    const int before = app->GetWindowManager()->GetCount();
    auto bc = Make(mode.mode, 300, 200);
    EXPECT_EQ(bc->GetWidth(), mode.width) << mode.mode;
    EXPECT_EQ(bc->GetHeight(), mode.height) << mode.mode;
    // The frame registered just before the window itself.
    QWindow *frame = app->GetWindowManager()->GetWindow(1);
    ASSERT_NE(frame, nullptr);
    EXPECT_STREQ(frame->ClassName(), "QGroup");
    EXPECT_EQ(frame->GetRect().x, 18);
    EXPECT_EQ(frame->GetRect().y, 28);
    EXPECT_EQ(frame->GetRect().width, mode.width + 4);
    EXPECT_EQ(frame->GetRect().height, mode.height + 4);
    EXPECT_EQ(bc->GetBCFlags(), 0);
    EXPECT_TRUE(QBC::IsLetterboxed());
    bc.reset();
    EXPECT_EQ(app->GetWindowManager()->GetCount(), before);
  }
}

TEST_F(BC, PreviewSqueezesLetterboxesAndGivesThePictureBack) {
  for (bool messy : {false, true}) {
    auto bc = Make(QBC_MODE_768x576);
    glClearColor(0, 0, 1, 1);
    DrawNumberedLines(768, 576);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    GLuint texture = 0;
    if (messy) {
      // State that would spoil every copy if the swap passed its pixels
      // through it.
      const unsigned char black[4] = {0, 0, 0, 255};
      glGenTextures(1, &texture);
      glBindTexture(GL_TEXTURE_2D, texture);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, black);
      glEnable(GL_TEXTURE_2D);
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(GL_NEVER);
      glEnable(GL_BLEND);
      glBlendFunc(GL_ZERO, GL_ZERO);
      glPixelZoom(2, 2);
      glPixelTransferf(GL_RED_SCALE, 0);
      glDrawBuffer(GL_FRONT);
    }
    bc->SetPreview(true);
    bc->Swap();
    {
      ShownPixels shown(QGetXDisplay(), bc->GetQXWindow()->GetXWindow(), 0, 0, 768, 576);
      ASSERT_TRUE(shown.IsRead());
      int wrong = 0;
      for (int line = 0; line < 576; ++line) {
        const bool band = line < 72 || line >= 504;
        const int k = (line - 72) / 3, i = (line - 72) % 3;
        const Rgb expected = band ? Rgb{0, 0, 255} : LineColour(4 * k + i);
        for (int x : {0, 400, 767}) wrong += shown.At(x, line) != expected;
      }
      EXPECT_EQ(wrong, 0) << (messy ? "with the program's state" : "");
    }
    if (messy) {
      EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
      EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
      EXPECT_TRUE(glIsEnabled(GL_BLEND));
      GLint depthFunc = 0;
      glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
      EXPECT_EQ(depthFunc, GL_NEVER);
      GLfloat zoom = 0, scale = 1;
      glGetFloatv(GL_ZOOM_X, &zoom);
      glGetFloatv(GL_RED_SCALE, &scale);
      EXPECT_EQ(zoom, 2);
      EXPECT_EQ(scale, 0);
      GLint drawBuffer = 0;
      glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
      EXPECT_EQ(drawBuffer, GL_FRONT);
      glDisable(GL_TEXTURE_2D);
      glDisable(GL_DEPTH_TEST);
      glDisable(GL_BLEND);
      glPixelZoom(1, 1);
      glPixelTransferf(GL_RED_SCALE, 1);
      glDrawBuffer(GL_BACK);
      glDeleteTextures(1, &texture);
    }
    int wrong = 0;
    for (int j = 0; j < 144; ++j) {
      for (int i = 0; i < 3; ++i) {
        for (int x : {0, 767}) wrong += BackLine(x, 4 * j + i, 576) != LineColour(4 * j + i);
      }
    }
    EXPECT_EQ(wrong, 0) << "back buffer after the swap";
    GLfloat after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_EQ(std::memcmp(projection, after, sizeof after), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

TEST_F(BC, LetterboxBandsSpanAWideBCAndCopiesStayInALowOne) {
  auto wide = Make(QBC_MODE_1280x1024, 0, 0, 0, 0);
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0, 0, 1, 1);
  wide->SetPreview(true);
  wide->Swap();
  {
    ShownPixels shown(QGetXDisplay(), wide->GetQXWindow()->GetXWindow(), 0, 0, 1280, 1024);
    ASSERT_TRUE(shown.IsRead());
    for (int x : {0, 767, 768, 1279}) {
      EXPECT_EQ(shown.At(x, 10), (Rgb{0, 0, 255})) << x;
      EXPECT_EQ(shown.At(x, 540), (Rgb{0, 0, 255})) << x;
      EXPECT_EQ(shown.At(x, 300), (Rgb{255, 255, 255})) << x;
      EXPECT_EQ(shown.At(x, 700), (Rgb{255, 255, 255})) << x;  // below the picture: untouched
    }
  }
  wide.reset();

  // 480 lines: what lies beyond the window is neither read nor written.
  auto low = Make(QBC_MODE_640x480);
  glClearColor(0, 0, 1, 1);
  DrawNumberedLines(640, 480);
  low->SetPreview(true);
  low->Swap();
  ShownPixels shown(QGetXDisplay(), low->GetQXWindow()->GetXWindow(), 0, 0, 640, 480);
  ASSERT_TRUE(shown.IsRead());
  int wrong = 0;
  for (int line = 0; line < 72; ++line) wrong += shown.At(600, line) != Rgb{0, 0, 255};
  for (int k = 0; k < 120; ++k) {
    for (int i = 0; i < 3; ++i) wrong += shown.At(600, 72 + 3 * k + i) != LineColour(4 * k + i);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BC, WithoutLetterboxTheSqueezedPictureStartsAtTheTop) {
  auto bc = Make(QBC_MODE_768x576);
  QBC::SetLetterbox(false);
  DrawNumberedLines(768, 576);
  bc->SetPreview(true);
  bc->Swap();
  ShownPixels shown(QGetXDisplay(), bc->GetQXWindow()->GetXWindow(), 0, 0, 768, 576);
  ASSERT_TRUE(shown.IsRead());
  int wrong = 0;
  for (int line = 0; line < 432; ++line) wrong += shown.At(700, line) != LineColour(line / 3 * 4 + line % 3);
  for (int line = 432; line < 576; ++line) wrong += shown.At(700, line) != LineColour(line);  // untouched
  EXPECT_EQ(wrong, 0);
  wrong = 0;
  for (int line = 0; line < 576; ++line) wrong += line % 4 != 3 && BackLine(700, line, 576) != LineColour(line);
  EXPECT_EQ(wrong, 0) << "back buffer after the swap";
  QBC::SetLetterbox(true);
}

TEST_F(BC, GuidesLightTheirEdgesAndCentreLinesOnly) {
  auto bc = Make(QBC_MODE_768x576);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  bc->SetGuides(true);
  bc->Swap();
  ShownPixels shown(QGetXDisplay(), bc->GetQXWindow()->GetXWindow(), 0, 0, 768, 576);
  int stray = 0, lit[4] = {};
  for (int y = 0; y < 576; ++y) {
    for (int x = 0; x < 768; ++x) {
      const Rgb pixel = shown.At(x, y);
      if (pixel == Rgb{0, 0, 0}) continue;
      const bool inside = x >= 48 && x <= 719 && y >= 32 && y <= 543;
      const bool edge = inside && (x == 48 || x == 719 || y == 32 || y == 543);
      if (pixel != Rgb{255, 255, 255} || !(edge || x == 384 || y == 288)) {
        ++stray;
        continue;
      }
      if (edge) ++lit[0];
      if (x == 384) ++lit[1];
      if (y == 288) ++lit[2];
    }
  }
  EXPECT_EQ(stray, 0);
  EXPECT_GT(lit[0], 2 * (672 + 512) / 3);  // dashes of 2 on, 2 off
  EXPECT_GT(lit[1], 576 / 3);              // dashes of 8 on, 8 off
  EXPECT_GT(lit[2], 768 / 3);
  bc->SetGuides(false);
  glClear(GL_COLOR_BUFFER_BIT);
  bc->Swap();
  EXPECT_EQ(kiln::test::Shown(QGetXDisplay(), bc->GetQXWindow()->GetXWindow(), 384, 10), (Rgb{0, 0, 0}));
}

TEST_F(BC, AlphaViewIsWhiteWithoutAlphaBitsAtAnySize) {
  auto bc = Make(QBC_MODE_768x576);
  EXPECT_FALSE(bc->HasAlpha());
  capture.Take();
  EXPECT_FALSE(bc->SwitchToAlpha());
  const std::string said = capture.Take();
  EXPECT_NE(said.find("QBC:SwitchToAlpha\n"), std::string::npos);
  EXPECT_NE(said.find("QBC:SwitchToAlpha() only supported on SGI"), std::string::npos);
  bc->SetAlphaView(true);
  for (int size : {0, 1}) {
    const int width = size ? 900 : 768, height = size ? 700 : 576;
    bc->SetSize(width, height);
    XSync(QGetXDisplay(), False);
    glViewport(0, 0, width, height);
    glClearColor(0.2f, 0.5f, 0.7f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    bc->Swap();
    ShownPixels shown(QGetXDisplay(), bc->GetQXWindow()->GetXWindow(), 0, 0, width, height);
    for (auto [x, y] : {std::pair{0, 0}, std::pair{width / 2, height / 2}, std::pair{width - 1, height - 1}}) {
      EXPECT_EQ(shown.At(x, y), (Rgb{255, 255, 255})) << width << " at " << x << "," << y;
    }
  }
}

}  // namespace
