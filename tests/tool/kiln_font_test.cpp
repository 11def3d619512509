// kiln-font run as a user runs it under the test's X server: fonts baked
// from the server's "fixed" and "helvetica", loaded by the library, told
// about and drawn; and what it refuses.
#include <gtest/gtest.h>

#include <kiln/dtexfont.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qfont.h>
#include <kiln/qimage.h>
#include <kiln/qinfo.h>
#include <kiln/qoffscreen.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl_window.h"
#include "targa_picture.h"
#include "test_support.h"

using kiln::test::ProcessResult;

namespace {

struct Face {
  const char *family;
  int size;
};
const Face kFaces[] = {{"fixed", 13}, {"helvetica", 12}};

class KilnFont : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
  }
  ProcessResult Font(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_FONT_PATH, args, dir.path()); }
  ProcessResult FontWithoutDisplay(const std::vector<std::string> &args) {
    std::vector<std::string> argv = {"/usr/bin/env", "-u", "DISPLAY", KILN_FONT_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return kiln::test::RunProgram(argv, dir.path());
  }
  // "W x H" from bake's last words.
  static std::pair<int, int> TextureOf(const std::string &out) {
    int width = 0, height = 0;
    std::sscanf(out.c_str() + out.rfind(" in ") + 4, "%d x %d", &width, &height);
    return {width, height};
  }
  kiln::test::TempDir dir;
};

TEST_F(KilnFont, BakedFontsLoadAndInfoTellsWhatTheDescriptionHolds) {
  for (const Face &face : kFaces) {
    const std::string name = face.family;
    const ProcessResult bake = Font({"bake", face.family, std::to_string(face.size), name});
    ASSERT_EQ(bake.status, 0) << bake.err;
    EXPECT_EQ(bake.err, "");  // nothing to say for a font the server has
    const auto [width, height] = TextureOf(bake.out);

    QOffscreen context(16, 16);
    ASSERT_TRUE(context.IsValid());
    DTexFont font;
    ASSERT_TRUE(font.Load(dir.Path(name).c_str()));
    EXPECT_EQ(font.GetLayout().GetGlyphCount(), 95);
    ASSERT_NE(font.GetGlyph('A'), nullptr);

    // The numbers, read from the files themselves.
    const QInfo description(dir.Path(name + ".dtf").c_str(), QINFO_QUIET);
    const kiln::test::TargaPicture image(kiln::test::ReadFile(dir.Path(name + ".tga")));
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    const ProcessResult info = Font({"info", name + ".dtf"});
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    const std::string expected =
        name + ".dtf: version 1, " + std::to_string(description.FindNode("chars")->childCount) + " glyphs, codes " +
        std::to_string(description.GetInt("general.minchar")) + "-" + std::to_string(description.GetInt("general.maxchar")) +
        "\n  glyph image " + name + ".tga: " + std::to_string(width) + " x " + std::to_string(height) +
        "\n  line height " + std::to_string(description.GetInt("chars.char32.hgt")) + " (the first glyph's)";
    EXPECT_EQ(info.out.rfind(expected, 0), 0u) << info.out;
    EXPECT_NE(info.out.find("every glyph lies inside its image, apart from the others"), std::string::npos);
  }
}

// The texture found is the smallest the baker takes: every power of two of
// less area is refused by its measuring pass.
TEST_F(KilnFont, TheTextureFoundIsTheSmallestTheBakerTakes) {
  for (const Face &face : kFaces) {
    const ProcessResult bake = Font({"bake", face.family, std::to_string(face.size), "font"});
    ASSERT_EQ(bake.status, 0) << bake.err;
    const auto [width, height] = TextureOf(bake.out);
    kiln::test::GLWindow window(256, 256);
    ASSERT_TRUE(window.IsReady());
    QFont xFont(face.family, face.size, 1, 1);
    ASSERT_TRUE(xFont.Create());
    DTexFont baker;
    EXPECT_TRUE(baker.Create(&xFont, width, height, 32, 126, nullptr, 1, 1, 0, 0, 0, 0, true));
    for (int w = 16; w <= 4096; w *= 2) {
      for (int h = 16; h <= 4096; h *= 2) {
        if (w * h < width * height) {
          EXPECT_FALSE(baker.Create(&xFont, w, h, 32, 126, nullptr, 1, 1, 0, 0, 0, 0, true)) << w << " x " << h;
        }
      }
    }
    // Asked for one a size smaller, the program says which fits, and writes
    // nothing.
    const std::string smaller = std::to_string(width) + "x" + std::to_string(height / 2);
    const ProcessResult refused = Font({"bake", face.family, std::to_string(face.size), "small", "--texture", smaller});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("the smallest power of two they fit is " + std::to_string(width) + " x " +
                               std::to_string(height)),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(kiln::test::Exists(dir.Path("small.dtf")) || kiln::test::Exists(dir.Path("small.tga")));
  }
}

// What show writes, with a display and without, is what the library
// paints with the loaded font.
TEST_F(KilnFont, ShowDrawsTheTextAsTheLibraryDoes) {
  ASSERT_EQ(Font({"bake", "helvetica", "12", "helvetica"}).status, 0);
  ASSERT_EQ(Font({"show", "helvetica.dtf", "Hello", "--screenshot", "window.tga", "--scale", "2"}).status, 0);
  const ProcessResult offscreen = FontWithoutDisplay({"show", "helvetica.dtf", "Hello", "--screenshot", "offscreen.tga",
                                                      "--scale", "2"});
  ASSERT_EQ(offscreen.status, 0) << offscreen.err;
  const kiln::test::TargaPicture shown(kiln::test::ReadFile(dir.Path("window.tga")));
  ASSERT_GT(shown.width, 8);

  QOffscreen context(shown.width, shown.height);
  ASSERT_TRUE(context.IsValid());
  d3UseTextureFonts();
  QFont font(dir.Path("helvetica").c_str(), 0);
  ASSERT_TRUE(font.Create());
  font.SetScale(2, 2);
  EXPECT_EQ(shown.width, static_cast<int>(font.GetWidth("Hello")) + 8);
  QCanvas *canvas = context.GetCanvas();
  canvas->Set2D();
  canvas->SetColor(PX_BLACK);
  canvas->Rectfill(0, 0, shown.width, shown.height);
  canvas->SetFont(&font);
  canvas->SetColor(PX_WHITE);
  canvas->Text("Hello", 4, 4);
  QBitMap painted(32, shown.width, shown.height);
  canvas->ReadPixels(&painted, 0, 0);
  ASSERT_TRUE(painted.Write(dir.Path("painted.tga").c_str(), QBM_FORMAT_TGA));
  const kiln::test::TargaPicture expected(kiln::test::ReadFile(dir.Path("painted.tga")));
  int lit = 0;
  for (int y = 0; y < shown.height; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      ASSERT_EQ(shown.At(x, y), expected.At(x, y)) << x << ", " << y;
      lit += shown.At(x, y)[0] > 128;
    }
  }
  EXPECT_GT(lit, 100);
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("offscreen.tga")), shown.Bytes());
}

TEST_F(KilnFont, OutlinesAreTheGlyphsGrownByAPixel) {
  const ProcessResult bake = Font({"bake", "fixed", "13", "outlined", "--outline", "--range", "65-90"});
  ASSERT_EQ(bake.status, 0) << bake.err;
  QOffscreen context(16, 16);
  DTexFont font;
  ASSERT_TRUE(font.Load(dir.Path("outlined").c_str()));
  const DTexFontGlyph *glyph = font.GetGlyph('A'), *outline = font.GetOutlineGlyph('A');
  ASSERT_NE(glyph, nullptr);
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(font.GetGlyph('a'), nullptr);
  EXPECT_EQ(outline->width, glyph->width + 2);
  EXPECT_EQ(outline->height, glyph->height + 2);
  // Every pixel of the glyph is in its outline, which has a ring more.
  QImage glyphs(dir.Path("outlined.tga").c_str()), outlines(dir.Path("outlined_outline.tga").c_str());
  int inGlyph = 0, inOutline = 0;
  for (int y = 0; y < outline->height; ++y) {
    for (int x = 0; x < outline->width - 1; ++x) {
      QColor pixel;
      outlines.GetPixel(outline->x + x, outline->y + y, &pixel);
      inOutline += pixel.GetAlpha() > 0;
      if (x < 1 || y < 1 || x > glyph->width - 1 || y > glyph->height) continue;
      QColor inner;
      glyphs.GetPixel(glyph->x + x - 1, glyph->y + y - 1, &inner);
      inGlyph += inner.GetAlpha() > 0;
      if (inner.GetAlpha() > 0) {
        EXPECT_GT(pixel.GetAlpha(), 0) << x << ", " << y;
      }
    }
  }
  EXPECT_GT(inGlyph, 10);
  EXPECT_GT(inOutline, inGlyph + 10);
  EXPECT_NE(Font({"info", "outlined.dtf"}).out.find("outline image outlined_outline.tga: "), std::string::npos);
}

TEST_F(KilnFont, InfoNamesGlyphsOutsideTheirImageOrOverOthers) {
  ASSERT_EQ(Font({"bake", "fixed", "13", "font", "--range", "65-70"}).status, 0);
  QInfo description(dir.Path("font.dtf").c_str(), QINFO_QUIET);
  const int width = kiln::test::TargaPicture(kiln::test::ReadFile(dir.Path("font.tga"))).width;
  description.SetInt("chars.char66.x", description.GetInt("chars.char65.x") + 2);  // B over A
  description.SetInt("chars.char70.x", width - 3);                                 // F past the right edge
  ASSERT_EQ(description.Write(), 1);
  const ProcessResult info = Font({"info", "font.dtf"});
  EXPECT_EQ(info.status, 1);
  const auto at = [&](int code) {
    const std::string key = "chars.char" + std::to_string(code) + ".";
    return "(" + std::to_string(description.GetInt((key + "x").c_str())) + ", " +
           std::to_string(description.GetInt((key + "y").c_str())) + "), " +
           std::to_string(description.GetInt((key + "wid").c_str())) + " x 13";
  };
  EXPECT_NE(info.out.find("glyph 70 'F' at " + at(70) + " lies outside font.tga"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("glyph 65 'A' at " + at(65) + " and glyph 66 'B' at " + at(66) + " overlap in font.tga"),
            std::string::npos)
      << info.out;
  EXPECT_EQ(info.err, "kiln-font: font.dtf: 2 glyph problems\n");
}

TEST_F(KilnFont, RefusalsSayWhyAndWriteNothing) {
  ProcessResult result = FontWithoutDisplay({"bake", "fixed", "13", "font"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "kiln-font: baking draws with the X server's fonts, and there is no X display\n");
  result = Font({"bake", "no-such-family", "13", "font"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("kiln-font: the X server has no font 'no-such-family' of size 13"), std::string::npos);
  result = Font({"bake", "fixed", "13", dir.Path("missing/font")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "kiln-font: can't write into '" + dir.Path("missing") + "': No such file or directory\n");
  for (const char *part : {"font", "missing"}) EXPECT_FALSE(kiln::test::Exists(dir.Path(part) + ".dtf"));
  EXPECT_EQ(std::system(("ls -A " + dir.path() + " | grep -q . && exit 1 || exit 0").c_str()), 0)
      << "a failed bake left files behind";
  EXPECT_EQ(Font({"bake", "fixed", "13", "font", "--range", "200-100"}).status, 1);
  EXPECT_EQ(Font({"bake", "fixed"}).status, 2);
  EXPECT_EQ(Font({}).status, 2);
  result = Font({"info", "none.dtf"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "kiln-font: can't read 'none.dtf'\n");
  result = Font({"show", "none.dtf", "x", "--screenshot", "x.tga"});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("x.tga")));
  EXPECT_NE(Font({"list"}).out.find("fixed\n"), std::string::npos);
}

}  // namespace
