// X core fonts of the test's own server (Xvfb with the Debian font
// packages): names, metrics against Xlib's own, text drawn through display
// lists against XDrawString, pixel for pixel, and the family list.
#include <gtest/gtest.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qfont.h>
#include <kiln/qfontlist.h>
#include <kiln/qglcontext.h>
#include <kiln/qtextstyle.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "canvas_fixture.h"
#include "test_support.h"

namespace {

class FontTest : public kiln::test::CanvasFixture {
protected:
  FontTest() : CanvasFixture(200, 60) {}

  std::unique_ptr<QFont> Made(const char *family, int size, int slant = 1, int weight = 0, int width = 0) {
    auto font = std::make_unique<QFont>(family, size, slant, weight, width);
    EXPECT_TRUE(font->Create()) << capture.Take();
    return font;
  }

  // Which pixels X lights drawing the text with the font at the baseline.
  std::vector<bool> XInk(const QFont &font, const char *text, int x, int baseline) {
    Display *display = kiln::test::TestDisplay();
    const int w = window.GetWidth(), h = window.GetHeight();
    Pixmap pixmap = XCreatePixmap(display, window.GetXWindow(), w, h, DefaultDepth(display, 0));
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XSetForeground(display, gc, 0);
    XFillRectangle(display, pixmap, gc, 0, 0, w, h);
    XSetForeground(display, gc, WhitePixel(display, 0));
    XSetFont(display, gc, font.GetXFont());
    XDrawString(display, pixmap, gc, x, baseline, text, static_cast<int>(std::strlen(text)));
    XImage *image = XGetImage(display, pixmap, 0, 0, w, h, AllPlanes, ZPixmap);
    std::vector<bool> ink(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      for (int i = 0; i < w; ++i) ink[static_cast<std::size_t>(y) * w + i] = XGetPixel(image, i, y) != 0;
    }
    XDestroyImage(image);
    XFreeGC(display, gc);
    XFreePixmap(display, pixmap);
    return ink;
  }

  // Which pixels the back buffer holds lit, rows from the top.
  std::vector<bool> GLInk() {
    const int w = window.GetWidth(), h = window.GetHeight();
    std::vector<uint8_t> rgba = window.ReadPixels(0, 0, w, h);
    std::vector<bool> ink(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint8_t *p = &rgba[(static_cast<std::size_t>(h - 1 - y) * w + x) * 4];
        ink[static_cast<std::size_t>(y) * w + x] = p[0] || p[1] || p[2];
      }
    }
    return ink;
  }

  static int Count(const std::vector<bool> &ink) {
    int lit = 0;
    for (bool on : ink) lit += on;
    return lit;
  }

};

TEST_F(FontTest, NamesAndTheirFailures) {
  QFont fixed("fixed", 13, 1, 0, 0);
  ASSERT_TRUE(fixed.Create());
  EXPECT_STREQ(fixed.GetPattern(), "-*-fixed-*-r-*-*-13-*-*-*-*-*-*-*");
  fixed.SetResX(72);
  EXPECT_EQ(capture.Take(), "** Error: QFont::SetResX(); can't modify after Create()\n");
  fixed.SetScale(2, 2);
  EXPECT_EQ(capture.Take(), "QFont:SetScale(); only useful for texture fonts\n");

  QFont missing("times", 14, 2, 2, 3);
  missing.SetResX(72);
  EXPECT_FALSE(missing.Create());
  EXPECT_EQ(capture.Take(), "QFont: resX/resY not implemented on Linux\n"
                            "** Error: QFont::Create: can't create font '-*-times-bold-i-condensed-*-14-*-*-*-*-*-*-*'\n");
  EXPECT_EQ(missing.GetWidth("abc"), 0);
  EXPECT_EQ(missing.GetHeight(), 0);
  // Indices beyond the tables ask for any.
  QFont odd("fixed", 13, 9, -1, 77);
  odd.Create();
  EXPECT_STREQ(odd.GetPattern(), "-*-fixed-*-*-*-*-13-*-*-*-*-*-*-*");

  QFont texture("nothing-baked");
  EXPECT_FALSE(texture.Create());
  EXPECT_EQ(capture.Take(), "** Error: QFont::Create(); no texture fonts in this program (nothing-baked)\n");
  canvas->SetFont(&missing);
  canvas->Text("drawn with nothing", 0, 0);
  EXPECT_EQ(Count(GLInk()), 0);
}

TEST_F(FontTest, MetricsAgreeWithXlib) {
  struct Case {
    const char *family;
    int size, slant;
    const char *text;
  } cases[] = {{"helvetica", 12, 1, "Kiln draws"}, {"fixed", 13, 1, "a b c"}, {"times", 14, 2, "f"},
               {"terminal", 12, 1, "per char"}, {"lucidatypewriter", 15, 1, "mono"}};
  for (const Case &c : cases) {
    auto font = Made(c.family, c.size, c.slant);
    const XFontStruct *x = font->GetFontStruct();
    ASSERT_NE(x, nullptr) << c.family;
    // Advances, and the overhang of the last glyph.
    for (int length : {1, static_cast<int>(std::strlen(c.text))}) {
      int direction, ascent, descent;
      XCharStruct last;
      XTextExtents(const_cast<XFontStruct *>(x), c.text + length - 1, 1, &direction, &ascent, &descent, &last);
      const int width = XTextWidth(const_cast<XFontStruct *>(x), c.text, length);
      EXPECT_EQ(font->GetWidth(c.text, length), width + std::max(0, last.rbearing - last.width)) << c.family;
    }
    EXPECT_EQ(font->GetHeight(), x->max_bounds.ascent + x->max_bounds.descent) << c.family;
    EXPECT_EQ(font->GetAscent(), x->ascent) << c.family;
  }
  // Times italic "f" leans out: 5 wide, right bearing 7.
  auto italic = Made("times", 14, 2);
  EXPECT_EQ(italic->GetCharWidth('f'), 5);
  EXPECT_EQ(italic->GetWidth("f"), 7);
  EXPECT_EQ(italic->GetWidth("f", 0), 0);
  EXPECT_EQ(italic->GetWidth("ff", 40), italic->GetWidth("ff"));  // the count stops at the terminator
  EXPECT_EQ(italic->GetCharWidth(italic->GetFontStruct()->min_char_or_byte2 - 1), 0);
  const uint32_t codes[] = {'f', 'f', 0};
  EXPECT_EQ(italic->GetWidth(codes), 10);
  // A two-byte font (JIS X 0208) holds no single-byte glyphs.
  auto jis = Made("fixed", 16);
  if (jis->GetFontStruct()->min_byte1 > 0) {
    EXPECT_EQ(jis->GetWidth("abc"), 0);
    canvas->SetFont(jis.get());
    canvas->Text("abc", 0, 0);
    EXPECT_EQ(Count(GLInk()), 0);
  }
}

TEST_F(FontTest, TextMatchesXDrawStringPixelForPixel) {
  struct Case {
    const char *family;
    int size, slant;
    const char *text;
  } cases[] = {{"helvetica", 12, 1, "Kiln draws text"}, {"fixed", 13, 1, "a b c"}, {"times", 14, 2, "fifty"}};
  for (const Case &c : cases) {
    auto font = Made(c.family, c.size, c.slant);
    canvas->Clear();
    canvas->SetFont(font.get());
    canvas->SetColor(PX_WHITE);
    canvas->Text(c.text, 7, 10);
    const std::vector<bool> ours = GLInk();
    EXPECT_GT(Count(ours), 10) << c.family;
    EXPECT_EQ(ours, XInk(*font, c.text, 7, 10 + static_cast<int>(font->GetAscent()))) << c.family;
  }
  // Spaces advance: "a b c" ends where X ends it.
  auto fixed = Made("fixed", 13);
  EXPECT_EQ(fixed->GetWidth("a b c"), 5 * fixed->GetCharWidth('a'));
}

TEST_F(FontTest, StylesAndLinesOfText) {
  auto font = Made("fixed", 13);
  QTextStyle style;
  ASSERT_TRUE(style.AddLayer(QColor(255, 0, 0), 1, 1));  // a red shadow
  ASSERT_TRUE(style.AddLayer(QColor(255, 255, 255), 0, 0));
  for (int i = 2; i < QTextStyle::kMaxLayers; ++i) style.AddLayer(QColor(0, 0, 0), 0, 0);
  EXPECT_FALSE(style.AddLayer(QColor(0, 0, 0), 0, 0));
  EXPECT_EQ(style.GetLayer(10), nullptr);
  QTextStyle two;
  two.AddLayer(QColor(255, 0, 0), 1, 1);
  two.AddLayer(QColor(255, 255, 255), 0, 0);
  canvas->SetFont(font.get());
  canvas->SetTextStyle(&two);
  canvas->Text("I", 10, 10);
  // The white layer over the red one, moved one pixel right and down.
  const std::vector<bool> white = XInk(*font, "I", 10, 10 + static_cast<int>(font->GetAscent()));
  const std::vector<bool> red = XInk(*font, "I", 11, 11 + static_cast<int>(font->GetAscent()));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 30; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * window.GetWidth() + x;
      const auto pixel = window.Pixel(x, window.GetHeight() - 1 - y);
      if (white[i]) {
        EXPECT_EQ(pixel[1], 255) << x << "," << y;
      } else if (red[i]) {
        EXPECT_EQ(pixel[0], 255) << x << "," << y;
        EXPECT_EQ(pixel[1], 0) << x << "," << y;
      }
    }
  }
  canvas->SetTextStyle(nullptr);

  // Lines centred across by the font's widths, the block centred down.
  canvas->Clear();
  QRect rect;
  rect.Set(0, 0, 200, 60);
  canvas->TextML("wide line\nab", rect, 3);
  const int lineHeight = static_cast<int>(font->GetHeight());
  const int top = (60 - 2 * lineHeight) / 2;
  std::vector<bool> expected = XInk(*font, "wide line", (200 - static_cast<int>(font->GetWidth("wide line"))) / 2,
                                    top + static_cast<int>(font->GetAscent()));
  const std::vector<bool> second = XInk(*font, "ab", (200 - static_cast<int>(font->GetWidth("ab"))) / 2,
                                        top + lineHeight + static_cast<int>(font->GetAscent()));
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = expected[i] || second[i];
  EXPECT_EQ(GLInk(), expected);
  canvas->TextML(std::string(1024, 'x').c_str(), rect, 0);
  EXPECT_EQ(capture.Take(), "QCanvas::TextML(); text>temp buffer\n");
  std::string many;
  for (int i = 0; i < 31; ++i) many += "l\n";
  canvas->TextML(many.c_str(), rect, 0);
  EXPECT_EQ(capture.Take(), "QCanvas::TextML() max #lines reached (10)\n");
}

TEST_F(FontTest, BytesBeyondAFontDrawNothingOfAnother) {
  // "clean" holds codes 0-127 only; byte 193 must not call another font's list.
  auto clean = Made("clean", 12);
  auto fixed = Made("fixed", 13);
  ASSERT_LT(clean->GetFontStruct()->max_char_or_byte2, 193u);
  canvas->SetFont(clean.get());
  canvas->Text("\xC1\xC1", 10, 10);
  EXPECT_EQ(Count(GLInk()), 0);
  EXPECT_EQ(clean->GetWidth("\xC1"), 0);
}

TEST_F(FontTest, CodeStrings) {
  char buffer[16];
  QFontASCII2QC("AB", buffer, 8);
  EXPECT_STREQ(buffer, "0041");
  EXPECT_EQ(capture.Take(), "QFontASCII2QC(AB); destination (d) isn't big enough\n");
  QFontASCII2QC("\xE9z", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "00e9007a");
  uint32_t codes[4] = {9, 9, 9, 9};
  QFontQC2Codes("00e9007a00", codes, sizeof codes);  // a short last group is left
  EXPECT_EQ(codes[0], 0xE9u);
  EXPECT_EQ(codes[1], 0x7Au);
  EXPECT_EQ(codes[2], 0u);
  QFontQC2Codes("004100420043", codes, 12);  // room for two and the end
  EXPECT_EQ(codes[1], 0x42u);
  EXPECT_EQ(codes[2], 0u);
}

TEST_F(FontTest, FamiliesOfTheServer) {
  Display *display = kiln::test::TestDisplay();
  int count = 0;
  char **names = XListFonts(display, "*", 9999, &count);
  std::set<std::string> families;
  for (int i = 0; i < count; ++i) {
    std::string name = names[i];
    if (name.size() < 2 || name[0] != '-') continue;
    const std::size_t start = name.find('-', 1);
    if (start == std::string::npos) continue;
    const std::size_t end = name.find('-', start + 1);
    families.insert(name.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
  }
  XFreeFontNames(names);
  {
    QFontList list;
    EXPECT_EQ(list.GetNameCount(), count);
    std::set<std::string> ours;
    for (int i = 0; i < list.GetCount(); ++i) ours.insert(list.GetFamily(i));
    EXPECT_EQ(ours, families);
    EXPECT_EQ(list.GetFamily(list.GetCount()), nullptr);
  }

  // A font directory of one font and aliases in 20 families (and a name
  // without a family), the server's only one for a moment.
  kiln::test::TempDir dir;
  chmod(dir.path().c_str(), 0755);
  dir.WriteFile("one.bdf",
                "STARTFONT 2.1\nFONT -kiln-one-medium-r-normal--8-80-75-75-c-80-iso8859-1\nSIZE 8 75 75\n"
                "FONTBOUNDINGBOX 8 8 0 0\nSTARTPROPERTIES 2\nFONT_ASCENT 8\nFONT_DESCENT 0\nENDPROPERTIES\n"
                "CHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 0\nBITMAP\n"
                "FF\nFF\nFF\nFF\nFF\nFF\nFF\nFF\nENDCHAR\nENDFONT\n");
  dir.WriteFile("fonts.dir", "1\none.bdf -kiln-one-medium-r-normal--8-80-75-75-c-80-iso8859-1\n");
  std::string aliases;
  for (int i = 0; i < 20; ++i) {
    aliases += "-kiln-family" + std::to_string(i) + "-medium-r-normal--8-80-75-75-c-80-iso8859-1 "
               "-kiln-one-medium-r-normal--8-80-75-75-c-80-iso8859-1\n";
  }
  aliases += "-lonely -kiln-one-medium-r-normal--8-80-75-75-c-80-iso8859-1\n";
  dir.WriteFile("fonts.alias", aliases);
  int oldCount = 0;
  char **oldPath = XGetFontPath(display, &oldCount);
  std::string path = dir.path() + "/";
  char *element = path.data();
  XSetFontPath(display, &element, 1);
  {
    QFontList list;
    EXPECT_GE(list.GetNameCount(), 22);  // and the font scaled, as the server offers it
    EXPECT_EQ(list.GetCount(), 21);
  }
  XSetFontPath(display, oldPath, oldCount);
  XFreeFontPath(oldPath);
  XSync(display, False);
}

}  // namespace
