// A texture font's description read into glyphs and ranges, without GL:
// coordinates, advances, the range lookup, and damaged descriptions.
#include <gtest/gtest.h>

#include <kiln/dtexfontlayout.h>
#include <kiln/qinfo.h>

#include <memory>
#include <string>

#include "message_capture.h"
#include "test_support.h"

namespace {

using Size = DTexFontTextureSize;

// A description written from text and read into a layout.
class Layout {
public:
  explicit Layout(const std::string &text, Size texture = {256, 256}, Size outline = {}) {
    dir.WriteFile("font.dtf", text);
    QInfo info(dir.Path("font.dtf").c_str(), QINFO_QUIET);
    read = layout.Read(info, "font", texture, outline);
    said = capture.Take();
  }
  kiln::test::MessageCapture capture;
  kiln::test::TempDir dir;
  DTexFontLayout layout;
  bool read = false;
  std::string said;
};

// Entries "char<c>" for the codes first to last, each 7 wide and 13 high
// in a row.
std::string Entries(int first, int last) {
  std::string text;
  for (int c = first; c <= last; ++c) {
    text += "char" + std::to_string(c) + "\n{\nx=" + std::to_string((c - first) * 8) + "\ny=0\nwid=6\nhgt=13\n}\n";
  }
  return text;
}

TEST(TexFontLayout, GlyphCoordinatesAndVersionOneAdvances) {
  Layout font("general\n{\nminchar=65\nmaxchar=65\n}\nchars\n{\nchar65\n{\nx=0\ny=0\nwid=9\nhgt=12\n}\n}\n");
  ASSERT_TRUE(font.read);
  const DTexFontGlyph *a = font.layout.Find(65);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->width, 10);
  EXPECT_EQ(a->advance, 10);
  EXPECT_EQ(a->bearingX, 0);
  EXPECT_FLOAT_EQ(a->s0, 0);
  EXPECT_FLOAT_EQ(a->s1, 8.5f / 256);
  EXPECT_FLOAT_EQ(a->t1, 1);
  EXPECT_FLOAT_EQ(a->t0, 1 - 12.0f / 256);
  EXPECT_EQ(font.layout.GetVersion(), 1);
  EXPECT_EQ(font.layout.Find(64), nullptr);
  EXPECT_EQ(font.layout.Find(66), nullptr);

  // A 200 x 100 atlas sits at the top left of its 256 x 256 texture: the
  // same coordinates as a 256 x 256 atlas.
  Layout padded("chars\n{\nchar65\n{\nx=0\ny=0\nwid=9\nhgt=12\n}\n}\n", {256, 256});
  EXPECT_FLOAT_EQ(padded.layout.Find(65)->t0, 1 - 12.0f / 256);
  EXPECT_FALSE(Layout("chars\n{\n}\n", {0, 256}).read);
}

TEST(TexFontLayout, VersionTwoAndOutlines) {
  Layout font(
      "general\n{\nversion=2\noutline=1\n}\nchars\n{\nchar65\n{\nx=0\ny=0\nwid=9\nhgt=12\nadvance=11\nbearingx=1\n"
      "outline\n{\nx=4\ny=8\nwid=11\nhgt=14\n}\n}\n}\n",
      {64, 64}, {32, 32});
  const DTexFontGlyph *a = font.layout.Find(65);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->advance, 11);
  EXPECT_EQ(a->bearingX, 1);
  const DTexFontGlyph *outline = font.layout.FindOutline(65);
  ASSERT_NE(outline, nullptr);
  EXPECT_EQ(outline->x, 4);
  EXPECT_EQ(outline->width, 12);
  EXPECT_EQ(outline->advance, 11);
  EXPECT_FLOAT_EQ(outline->t1, 1 - 8.0f / 32);
  // Without the outline image there are no outline glyphs.
  Layout bare("general\n{\noutline=1\n}\nchars\n{\nchar65\n{\nx=0\n}\n}\n");
  EXPECT_EQ(bare.layout.FindOutline(65), nullptr);
  EXPECT_NE(bare.layout.Find(65), nullptr);
}

TEST(TexFontLayout, RangesFindEveryCodeOnceAndNothingBetween) {
  Layout wrapped("chars\n{\n" + Entries(32, 126) + Entries(160, 255) + "}\n");
  ASSERT_TRUE(wrapped.read);
  const DTexFontLayout &layout = wrapped.layout;
  EXPECT_EQ(layout.GetRangeCount(), 2);
  EXPECT_EQ(layout.GetGlyphCount(), 95 + 96);
  for (int code = 0; code < 300; ++code) {
    const DTexFontGlyph *glyph = layout.Find(code);
    const bool expected = (code >= 32 && code <= 126) || (code >= 160 && code <= 255);
    ASSERT_EQ(glyph != nullptr, expected) << code;
    if (glyph) {
      EXPECT_EQ(glyph->code, code);
    }
  }
  EXPECT_FALSE(layout.HasWideCodes());
  EXPECT_EQ(layout.Find(-1), nullptr);
}

TEST(TexFontLayout, DamagedDescriptionsReadWhatCanBeFound) {
  // An entry without x ends the table: the three before it stay.
  Layout stops("chars\n{\n" + Entries(65, 67) + "char68\n{\ny=0\n}\n" + Entries(69, 70) + "}\n");
  EXPECT_TRUE(stops.read);
  EXPECT_EQ(stops.layout.GetGlyphCount(), 3);
  EXPECT_NE(stops.said.find("No X defined for texfont font, entry 3"), std::string::npos);
  EXPECT_EQ(stops.layout.Find(69), nullptr);

  // Names without a code: too short, not a number, too large, negative.
  Layout names("chars\n{\nc\n{\nx=1\n}\ncharX\n{\nx=1\n}\nchar99999999999\n{\nx=1\n}\nchar1114112\n{\nx=1\n}\n"
               "char-5\n{\nx=1\n}\nchar1114111\n{\nx=1\n}\n}\n");
  EXPECT_EQ(names.layout.GetGlyphCount(), 1);
  EXPECT_NE(names.layout.Find(0x10FFFF), nullptr);
  EXPECT_TRUE(names.layout.HasWideCodes());
  EXPECT_NE(names.said.find("entry 'c' names no character code"), std::string::npos);
  EXPECT_NE(names.said.find("entry 'char-5' names no character code"), std::string::npos);

  // A sixth range: reported, five kept, the rest unreachable.
  std::string six = "chars\n{\n";
  for (int range = 0; range < 6; ++range) six += Entries(10 * range, 10 * range + 2);
  Layout ranges(six + "}\n");
  EXPECT_EQ(ranges.layout.GetRangeCount(), 5);
  EXPECT_NE(kiln::test::ReadFile("QLOG.txt").find("DTexFont (font) has too many ranges"), std::string::npos);
  EXPECT_NE(ranges.layout.Find(42), nullptr);
  EXPECT_EQ(ranges.layout.Find(50), nullptr);

  // A code twice: the first is found.
  Layout twice("chars\n{\n" + Entries(65, 66) + "char65\n{\nx=100\n}\n}\n");
  ASSERT_NE(twice.layout.Find(65), nullptr);
  EXPECT_EQ(twice.layout.Find(65)->x, 0);

  // The largest numbers a description can hold: no sum overflows.
  Layout huge("chars\n{\nchar65\n{\nx=2147483647\ny=2147483647\nwid=2147483647\nhgt=2147483647\n}\n}\n");
  ASSERT_NE(huge.layout.Find(65), nullptr);
  EXPECT_EQ(huge.layout.Find(65)->width, 2147483647);
  EXPECT_GT(huge.layout.Find(65)->s1, 1.0f);

  Layout empty("");
  EXPECT_TRUE(empty.read);
  EXPECT_EQ(empty.layout.Find(65), nullptr);
  EXPECT_EQ(empty.layout.GetGlyph(0), nullptr);
}

}  // namespace
