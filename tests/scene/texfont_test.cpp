// Texture fonts drawn on Mesa under Xvfb, from files the test writes
// itself: where the glyphs land, colour, bold, shear, spacing and scale,
// and fonts that fail to load.
#include <gtest/gtest.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/dtexfont.h>
#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>
#include <kiln/qfont.h>
#include <kiln/qinfo.h>
#include <kiln/qtextstyle.h>
#include <kiln/qtexturefont.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::GLWindow;
using kiln::test::TempDir;

namespace {

// An uncompressed 32-bit Targa, rows from the bottom, opaque white where
// `opaque` holds (x, y from the top) and transparent black elsewhere.
template <typename Opaque>
std::string Targa(int width, int height, Opaque opaque) {
  std::string bytes(18, '\0');
  bytes[2] = 2;
  bytes[12] = static_cast<char>(width & 255);
  bytes[13] = static_cast<char>(width >> 8);
  bytes[14] = static_cast<char>(height & 255);
  bytes[15] = static_cast<char>(height >> 8);
  bytes[16] = 32;
  bytes[17] = 8;
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const char value = opaque(x, row) ? static_cast<char>(255) : 0;
      bytes += std::string(4, value);
    }
  }
  return bytes;
}

// The font of the edge cases: "A" opaque at columns 0-9 and top rows 0-11
// of a 64 x 64 image, wid 9, hgt 12, advance 11, bearing 1.
class TexFont : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.Setup2D();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    dir.WriteFile("font.tga", Targa(64, 64, [](int x, int y) { return x <= 9 && y <= 11; }));
    dir.WriteFile("font.dtf",
                  "general\n{\nversion=2\nminchar=65\nmaxchar=233\n}\nchars\n{\nchar65\n{\nx=0\ny=0\nwid=9\nhgt=12\n"
                  "advance=11\nbearingx=1\n}\nchar233\n{\nx=0\ny=0\nwid=9\nhgt=12\nadvance=11\nbearingx=1\n}\n}\n");
    capture.Take();
  }
  void TearDown() override {
    if (!IsSkipped()) {
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
  }

  // The lit pixels (any colour channel) as "x,y" of GL rows from the bottom.
  std::vector<std::string> Lit() const {
    std::vector<std::string> lit;
    const std::vector<uint8_t> pixels = window.ReadPixels(0, 0, 64, 64);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        const uint8_t *p = &pixels[static_cast<std::size_t>(y * 64 + x) * 4];
        if (p[0] || p[1] || p[2]) lit.push_back(std::to_string(x) + "," + std::to_string(y));
      }
    }
    return lit;
  }
  static std::vector<std::string> Box(int x0, int x1, int y0, int y1) {
    std::vector<std::string> box;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) box.push_back(std::to_string(x) + "," + std::to_string(y));
    }
    return box;
  }

  GLWindow window{64, 64};
  TempDir dir;
  kiln::test::MessageCapture capture;
};

TEST_F(TexFont, GlyphsLandWhereTheirAdvanceAndBearingPutThem) {
  DTexFont font(dir.Path("font").c_str());
  ASSERT_NE(font.GetTexture(), nullptr);
  EXPECT_EQ(font.Paint("AA", 10, 20), 32);
  std::vector<std::string> expected;
  for (int y = 20; y <= 31; ++y) {
    for (int x : {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31}) {
      expected.push_back(std::to_string(x) + "," + std::to_string(y));
    }
  }
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> lit = Lit();
  std::sort(lit.begin(), lit.end());
  EXPECT_EQ(lit, expected);
  const std::vector<uint8_t> pixel = window.ReadPixels(15, 25, 1, 1);
  EXPECT_EQ(pixel, (std::vector<uint8_t>{255, 255, 255, 255}));  // opaque white: the texture's colours

  EXPECT_EQ(font.GetTextWidth("AAB"), 22);
  EXPECT_EQ(font.GetCharWidth('A'), 11);
  EXPECT_EQ(font.GetCharWidth('B'), 0);
  EXPECT_EQ(font.GetTextWidth("\xe9"), 11);  // bytes above 127 are codes, not negatives
  EXPECT_EQ(font.GetCharWidth(233), 11);
  EXPECT_EQ(font.Paint("\xe9", 0, 0), 11);
  EXPECT_EQ(font.GetHeight(), 12);
  EXPECT_EQ(font.Paint("", 7.9f, 3), 7);
  EXPECT_EQ(font.Paint("AAAA", 0, 0, 1), 11);
  EXPECT_EQ(font.Paint("A\0A", 0, 0, 3), 11);  // never past the end
  qstring wide;
  wide = U"A";
  EXPECT_EQ(font.Paint(wide, 0, 0), 0);
  EXPECT_NE(capture.Take().find("DTexFont::Paint() unicode NYI"), std::string::npos);
}

TEST_F(TexFont, ColourBoldShearSpacingAndScale) {
  DTexFont font(dir.Path("font").c_str());
  font.color.Set(255, 0, 0, 255);
  font.flags |= DTF_BOLD;
  font.boldOffset = 3;
  EXPECT_EQ(font.Paint("A", 10, 20), 21);
  // Modulated: red only; bold: three more columns.
  auto bold = Lit(), box = Box(11, 23, 20, 31);
  std::sort(bold.begin(), bold.end());
  std::sort(box.begin(), box.end());
  EXPECT_EQ(bold, box);
  EXPECT_EQ(window.ReadPixels(12, 25, 1, 1), (std::vector<uint8_t>{255, 0, 0, 255}));

  glClear(GL_COLOR_BUFFER_BIT);
  font.flags = 0;
  font.color.Set(255, 255, 255, 255);
  font.scaleX = 2;
  font.scaleY = 0.5f;
  font.spacing = 3;
  EXPECT_EQ(font.Paint("AA", 0, 10), 50);  // 2 x (3 + 2 x 11)
  EXPECT_EQ(font.GetTextWidth("AA"), 50);
  EXPECT_EQ(font.GetHeight(), 6);
  auto lit = Lit();
  std::sort(lit.begin(), lit.end());
  auto expected = Box(2, 21, 10, 15);
  const auto second = Box(27, 46, 10, 15);
  expected.insert(expected.end(), second.begin(), second.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lit, expected);

  glClear(GL_COLOR_BUFFER_BIT);
  font.scaleX = font.scaleY = 1;
  font.spacing = 0;
  font.shear = 12;  // the top row moves 12 right, the bottom row stays
  font.Paint("A", 10, 20);
  EXPECT_GT(window.ReadPixels(14, 20, 1, 1)[0], 200);
  EXPECT_LT(window.ReadPixels(14, 31, 1, 1)[0], 50);
  EXPECT_GT(window.ReadPixels(27, 31, 1, 1)[0], 200);
  EXPECT_LT(window.ReadPixels(27, 20, 1, 1)[0], 50);
}

TEST_F(TexFont, FontsThatFailToLoadMeasureNothingAndDrawNothing) {
  DTexFont font(dir.Path("font").c_str());
  ASSERT_NE(font.GetTexture(), nullptr);
  EXPECT_FALSE(font.Load(dir.Path("missing").c_str()));
  EXPECT_NE(capture.Take().find("DTexFont:Load(" + dir.Path("missing") + ") failed"), std::string::npos);
  EXPECT_EQ(font.GetTexture(), nullptr);
  EXPECT_EQ(font.Paint("AA", 10, 20), 10);
  EXPECT_EQ(font.GetTextWidth("AA"), 0);
  EXPECT_EQ(font.GetHeight(), 0);
  EXPECT_TRUE(Lit().empty());

  // The description without its image: no glyphs left from before.
  ASSERT_TRUE(font.Load(dir.Path("font").c_str()));
  dir.WriteFile("bare.dtf", "chars\n{\nchar66\n{\nx=0\n}\n}\n");
  EXPECT_FALSE(font.Load(dir.Path("bare").c_str()));
  EXPECT_EQ(font.GetGlyph('A'), nullptr);
  EXPECT_EQ(font.GetGlyph('B'), nullptr);
  EXPECT_EQ(capture.Take().find("called directly"), std::string::npos);
}

TEST_F(TexFont, SizeZeroQFontsAreTextureFontsDrawnThroughTheCanvas) {
  d3UseTextureFonts();
  QFont font(dir.Path("font").c_str(), 0);
  ASSERT_TRUE(font.Create());
  EXPECT_EQ(font.GetHeight(), 12);
  EXPECT_EQ(font.GetAscent(), 12);
  EXPECT_EQ(font.GetWidth("AA", -1), 22);  // no overhang
  EXPECT_EQ(font.GetWidth("AAA", 2), 22);
  QCanvas *canvas = window.Canvas();
  canvas->SetFont(&font);
  canvas->SetColor(255, 255, 255);
  canvas->Text("A", 10, 5);
  // The baseline at line 5 + 12 from the top, row 46 from the bottom.
  auto lit = Lit(), expected = Box(11, 20, 46, 57);
  std::sort(lit.begin(), lit.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lit, expected);

  // A style's dy moves a texture font's layer up.
  glClear(GL_COLOR_BUFFER_BIT);
  QTextStyle style;
  style.AddLayer(QColor(0, 255, 0, 255), 0, 3);
  canvas->SetTextStyle(&style);
  canvas->Text("A", 10, 5);
  canvas->SetTextStyle(nullptr);
  EXPECT_EQ(window.ReadPixels(15, 59, 1, 1), (std::vector<uint8_t>{0, 255, 0, 255}));
  EXPECT_EQ(window.ReadPixels(15, 47, 1, 1)[1], 0);

  font.SetScale(2, 2);
  EXPECT_EQ(font.GetHeight(), 24);
  EXPECT_EQ(font.GetWidth("A", -1), 22);
  canvas->SetFont(nullptr);
  QFontSetTextureFontLoader(nullptr);
}

TEST(TexFontBake, FixedThirteenIntoAnAtlasAndBack) {
  GLWindow window(256, 64);
  if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
  TempDir dir;
  QFont fixed("fixed", 13);
  ASSERT_TRUE(fixed.Create());
  ASSERT_EQ(fixed.GetCharWidth('A'), 7);
  ASSERT_EQ(fixed.GetHeight(), 13);
  DTexFont baker;
  const std::string base = dir.Path("fixed13");
  EXPECT_TRUE(baker.Create(&fixed, 256, 256, 32, 126, nullptr, 1, 1, 0, 0, 0, 0, true));
  EXPECT_FALSE(baker.Create(&fixed, 256, 28, 32, 126, nullptr, 1, 1, 0, 0, 0, 0, true));  // 4 rows needed
  ASSERT_TRUE(baker.Create(&fixed, 256, 256, 32, 126, base.c_str(), 1));

  // The description: version 1, the packing of rows of 31 cells 8 wide.
  QInfo description((base + ".dtf").c_str(), QINFO_QUIET);
  ASSERT_TRUE(description.IsLoaded());
  EXPECT_FALSE(description.Exists("general.version"));
  EXPECT_EQ(description.GetInt("general.minchar"), 32);
  EXPECT_EQ(description.GetInt("general.maxchar"), 126);
  EXPECT_EQ(description.GetInt("chars.char65.x"), 16);
  EXPECT_EQ(description.GetInt("chars.char65.y"), 14);
  EXPECT_EQ(description.GetInt("chars.char65.wid"), 7);
  EXPECT_EQ(description.GetInt("chars.char65.hgt"), 13);
  EXPECT_EQ(description.GetChildCount("chars"), 95);

  // The image: an uncompressed 32-bit Targa whose alpha is its red.
  const std::string bytes = kiln::test::ReadFile(base + ".tga");
  ASSERT_EQ(bytes.size(), 18u + 256u * 256u * 4u);
  EXPECT_EQ(bytes[2], 2);
  EXPECT_EQ(static_cast<unsigned char>(bytes[13]), 1);  // width 256
  EXPECT_EQ(static_cast<unsigned char>(bytes[16]), 32);
  int mismatched = 0, lit = 0;
  for (std::size_t at = 18; at < bytes.size(); at += 4) {
    mismatched += bytes[at + 2] != bytes[at + 3];
    lit += bytes[at + 3] != 0;
  }
  EXPECT_EQ(mismatched, 0);
  EXPECT_GT(lit, 95 * 10);

  // Cells hold what X draws: "A" at (16, 14) and "g" at (72, 28), rows of
  // the file from the bottom.
  Display *display = kiln::test::TestDisplay();
  const Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), 7, 13, 24);
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  XSetFont(display, gc, fixed.GetXFont());
  for (auto [code, cellX, cellY] : {std::tuple{'A', 16, 14}, std::tuple{'g', 72, 28}}) {
    XSetForeground(display, gc, 0);
    XFillRectangle(display, pixmap, gc, 0, 0, 7, 13);
    XSetForeground(display, gc, 0xFFFFFF);
    const char text[2] = {code, 0};
    XDrawString(display, pixmap, gc, 0, 11, text, 1);
    XImage *drawn = XGetImage(display, pixmap, 0, 0, 7, 13, AllPlanes, ZPixmap);
    int differ = 0;
    for (int y = 0; y < 13; ++y) {
      for (int x = 0; x < 7; ++x) {
        const std::size_t at = 18 + 4 * static_cast<std::size_t>((255 - (cellY + y)) * 256 + cellX + x);
        differ += (XGetPixel(drawn, x, y) != 0) != (bytes[at + 3] != 0);
      }
    }
    XDestroyImage(drawn);
    EXPECT_EQ(differ, 0) << code;
  }
  XFreeGC(display, gc);
  XFreePixmap(display, pixmap);

  // Read back, it advances by the cell width plus one.
  DTexFont font(base.c_str());
  ASSERT_NE(font.GetGlyph('A'), nullptr);
  EXPECT_EQ(font.GetGlyph('A')->width, 8);
  EXPECT_EQ(font.Paint("AB", 10, 5), 26);
  EXPECT_EQ(font.GetTextWidth("Hello"), 40);
  EXPECT_EQ(font.GetHeight(), 13);

  // Shrunk to half, whatever pixel-store state the program left (GLU's
  // scaler honours it).
  glClearColor(0.25f, 0.5f, 0.75f, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 300);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 40);
  ASSERT_TRUE(baker.Create(&fixed, 128, 128, 32, 126, dir.Path("half").c_str(), 2));
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[1], 0.5f);  // the program's, given back
  QInfo half(dir.Path("half.dtf").c_str(), QINFO_QUIET);
  EXPECT_EQ(half.GetInt("chars.char65.wid"), 3);
  EXPECT_EQ(half.GetInt("chars.char65.hgt"), 6);

  // Baking again under the name keeps nothing of the first font.
  ASSERT_TRUE(baker.Create(&fixed, 256, 256, 65, 66, base.c_str(), 1));
  QInfo again((base + ".dtf").c_str(), QINFO_QUIET);
  EXPECT_EQ(again.GetChildCount("chars"), 2);
}

TEST(TexFontBake, ArgumentsThatCantBeBakedFailWithAMessage) {
  GLWindow window(64, 64);
  if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
  kiln::test::MessageCapture capture;
  QFont fixed("fixed", 13);
  ASSERT_TRUE(fixed.Create());
  DTexFont baker;
  EXPECT_FALSE(baker.Create(&fixed, 256, 256, 32, 126, "x", 0));
  EXPECT_FALSE(baker.Create(&fixed, 0, 256, 32, 126, "x", 1));
  EXPECT_FALSE(baker.Create(&fixed, 256, 256, 32, 126, "x", 1, 4));
  EXPECT_FALSE(baker.Create(&fixed, 256, 256, 126, 32, "x", 1));
  EXPECT_FALSE(baker.Create(&fixed, 256, 256, 32, 300, "x", 1));
  const std::string said = capture.Take();
  EXPECT_NE(said.find("shrink 0"), std::string::npos);
  EXPECT_NE(said.find("4 ranges"), std::string::npos);
  EXPECT_NE(said.find("range 126 to 32"), std::string::npos);
  EXPECT_NE(said.find("range 32 to 300"), std::string::npos);
  // A glyph taller than the window it is drawn in.
  GLWindow low(64, 8);
  TempDir dir;
  EXPECT_FALSE(baker.Create(&fixed, 256, 256, 65, 65, dir.Path("low").c_str(), 1));
  EXPECT_NE(capture.Take().find("is larger than the window"), std::string::npos);
}

}  // namespace

namespace {

// What the styles below draw, as RGBA bytes of a 128 x 64 frame with
// alpha: colour blended by the glyphs' alpha, alpha added up where glyphs
// overlap. With `hideExtensions` the context knows of no extension, as on
// a renderer without separate blend factors.
std::vector<uint8_t> StylesPainted(const std::string &fontName, bool hideExtensions, bool *onePass) {
  GLWindow window(128, 64, false, true);
  QGLContext context(&window, kiln::test::TestAlphaVisual(), nullptr, true);
  QGLContext::Select(&context, nullptr, nullptr, hideExtensions ? QGL_SELECT_NO_EXTENSIONS : 0);
  *onePass = context.HasExtensions(QGL_BLEND_FUNC_SEPARATE);
  context.Setup2D();
  glClearColor(0.2f, 0.4f, 0.6f, 0.5f);
  glClear(GL_COLOR_BUFFER_BIT);
  {
    DTexFont font;
    EXPECT_TRUE(font.Load(fontName.c_str()));
    font.Paint("AAAA", 2, 2);
    font.color.Set(255, 128, 0, 200);
    font.Paint("A\xe9" "A", 30, 10);
    font.flags |= DTF_BOLD;
    font.boldOffset = 3;
    font.spacing = -4;
    font.Paint("AAA", 60, 20);
    font.flags &= ~DTF_BOLD;
    font.scaleX = 1.5f;
    font.scaleY = 2.5f;
    font.shear = 4;
    font.color.Set(40, 200, 255, 255);
    font.Paint("AA", 5, 25, 1);
    font.Paint("AA", 20, 28);
  }
  const std::vector<uint8_t> pixels = window.ReadPixels(0, 0, 128, 64);
  glXMakeCurrent(kiln::test::TestDisplay(), None, nullptr);
  return pixels;
}

// Text drawn in one pass where colour and alpha blend by separate factors,
// and in two where the context can't: the same bytes, alpha included, at
// every style.
TEST(TexFontPasses, OnePassDrawsWhatTwoDid) {
  if (!kiln::test::TestDisplay() || !kiln::test::TestAlphaVisual()) GTEST_SKIP() << "no GL display with alpha";
  TempDir dir;
  // Glyph pixels of every alpha, in colours that differ.
  std::string image(18, '\0');
  image[2] = 2, image[12] = 64, image[14] = 64, image[16] = 32, image[17] = 8;
  for (int row = 63; row >= 0; --row) {
    for (int x = 0; x < 64; ++x) {
      const bool inside = x <= 9 && row <= 11;
      const char pixel[4] = {static_cast<char>(x * 25), static_cast<char>(row * 20), static_cast<char>(200),
                             static_cast<char>(inside ? (x * 23 + row * 41) % 256 : 0)};
      image.append(pixel, 4);
    }
  }
  dir.WriteFile("font.tga", image);
  dir.WriteFile("font.dtf",
                "general\n{\nversion=2\nminchar=65\nmaxchar=233\n}\nchars\n{\nchar65\n{\nx=0\ny=0\nwid=9\nhgt=12\n"
                "advance=11\nbearingx=1\n}\nchar233\n{\nx=0\ny=0\nwid=9\nhgt=12\nadvance=11\nbearingx=1\n}\n}\n");
  bool onePass = false, stillOnePass = true;
  const std::vector<uint8_t> one = StylesPainted(dir.Path("font"), false, &onePass);
  const std::vector<uint8_t> two = StylesPainted(dir.Path("font"), true, &stillOnePass);
  ASSERT_TRUE(onePass);
  ASSERT_FALSE(stillOnePass);
  EXPECT_TRUE(one == two);
  int alphas = 0;
  for (std::size_t i = 3; i < one.size(); i += 4) alphas += one[i] != one[3];
  EXPECT_GT(alphas, 200);  // the alpha channel was written, not only kept
}

}  // namespace
