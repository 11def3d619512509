// Growth, aliasing, editing, refusals and conversions of qstring.
#include <gtest/gtest.h>

#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <cstdlib>
#include <string>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;

namespace {

TEST(QStringGrowth, CapacitiesFollowTheirRules) {
  EXPECT_EQ(qstring().GetSize(), 32);
  EXPECT_EQ(qstring(0).GetSize(), 1);  // still room for the terminator
  EXPECT_STREQ(qstring(-5).CStr(), "");
  qstring text("hello");
  EXPECT_EQ(text.GetSize(), 5 + 32);
  qstring copy(text);
  EXPECT_EQ(copy.GetSize(), 5 + 33);
  EXPECT_STREQ(copy.CStr(), "hello");
  qstring empty(static_cast<const char *>(nullptr));
  EXPECT_EQ(empty.GetSize(), 32);
  EXPECT_TRUE(empty.IsEmpty());

  qstring grow(4);
  grow += "abcdef";
  EXPECT_EQ(grow.GetSize(), 7);  // appends reserve exactly the new length + 1
  grow += "";
  grow += static_cast<const char *>(nullptr);
  EXPECT_EQ(grow.GetSize(), 7);
  grow = "x";
  EXPECT_EQ(grow.GetSize(), 33);  // never shrinks; assignment reserved 1 + 32
  EXPECT_STREQ(grow.CStr(), "x");
}

TEST(QStringGrowth, AppendingNumbersAndCharacters) {
  qstring text("n=");
  text += 42;
  text += ' ';
  text += 1.5f;
  text += '\0';
  EXPECT_STREQ(text.CStr(), "n=42 1.500000");
  text = -7;
  EXPECT_STREQ(text.CStr(), "-7");
  qstring a("left"), b("right");
  EXPECT_STREQ((a + b).CStr(), "leftright");
  EXPECT_STREQ((a + "!").CStr(), "left!");
  EXPECT_EQ((a + "!").GetSize(), 5 + 33);
  EXPECT_EQ((a + "").GetSize(), 4 + 33);
}

TEST(QStringAliasing, OperandsInsideTheStringItself) {
  qstring text("abc");
  text += text;
  EXPECT_STREQ(text.CStr(), "abcabc");
  text += text.CStr() + 4;
  EXPECT_STREQ(text.CStr(), "abcabcbc");
  text = text.CStr() + 3;
  EXPECT_STREQ(text.CStr(), "abcbc");
  std::string longer(200, 'z');
  qstring big(longer.c_str());
  big = big.CStr() + 100;  // reserve may move the buffer: the source must survive
  EXPECT_EQ(std::string(big.CStr()), std::string(100, 'z'));
  qstring self("same");
  self = self;
  EXPECT_STREQ(self.CStr(), "same");
  qstring pieces("one two three");
  pieces.Replace(pieces.CStr() + 4, pieces.CStr());
  EXPECT_STREQ(pieces.CStr(), "one one two three");
  qstring all("aXbXc");
  all.ReplaceAll(all.CStr() + 1, "-");  // "XbXc", a piece of itself
  EXPECT_STREQ(all.CStr(), "a-");
}

TEST(QStringAccess, IndexRangeIncludesTheTerminator) {
  MessageCapture capture;
  qstring text("abc");
  const qstring &constant = text;
  EXPECT_EQ(text[0], 'a');
  EXPECT_EQ(constant[3], '\0');
  EXPECT_EQ(capture.Take(), "");
  EXPECT_EQ(text[-1], '\0');
  EXPECT_EQ(capture.Take(), "qstring(abc): ([]) index -1 out of range (0..3)\n");
  EXPECT_EQ(constant[4], '\0');
  EXPECT_EQ(capture.Take(), "qstring(abc): (const[]) index 4 out of range (0..3)\n");
  text[1] = 'B';
  EXPECT_TRUE(text == "aBc");
  EXPECT_FALSE(text == nullptr);
  EXPECT_FALSE(text == "aBcd");
}

TEST(QStringAccess, ContainsAndEmptiness) {
  qstring text("config.ini");
  EXPECT_TRUE(text.Contains(".ini"));
  EXPECT_FALSE(text.Contains(""));
  EXPECT_FALSE(text.Contains(nullptr));
  EXPECT_FALSE(qstring("").Contains("a"));
  EXPECT_TRUE(text.HasText());
  qstring empty;
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(QStringSubstrings, ConstructorAndGetSubstring) {
  EXPECT_STREQ(qstring("abcdef", 1, 3).CStr(), "bc");
  EXPECT_STREQ(qstring("abcdef", 3, 1).CStr(), "bc");   // swapped
  EXPECT_STREQ(qstring("abcdef", 2, 0).CStr(), "cdef");  // 0: to the end
  EXPECT_STREQ(qstring("abcdef", 9, 99).CStr(), "");
  EXPECT_STREQ(qstring("abcdef", -3, 2).CStr(), "ab");
  qstring text("abcdef");
  EXPECT_STREQ(text.GetSubstring(2, -1).CStr(), "cdef");
  EXPECT_STREQ(text.GetSubstring(1, 3).CStr(), "bcd");
  EXPECT_STREQ(text.GetSubstring(9, -1).CStr(), "f");
  EXPECT_STREQ(text.GetSubstring(-4, 0).CStr(), "a");
  qstring empty("");
  qstring nothing = empty.GetSubstring(0, -1);
  EXPECT_STREQ(nothing.CStr(), "");
  EXPECT_EQ(nothing.GetSize(), 32);
}

TEST(QStringEditing, CaseAndSpaces) {
  qstring text("hELLO wORLD");
  text.Capitalize(false);
  EXPECT_STREQ(text.CStr(), "Hello World");
  text = "hELLO wORLD";
  text.Capitalize(true);
  EXPECT_STREQ(text.CStr(), "Hello world");
  text = "  \xe9t\xe9 ";  // Latin-1 accents follow the Latin-1 tables
  text.Capitalize(true);
  EXPECT_STREQ(text.CStr(), "  \xc9t\xe9 ");
  text = "mixed Case \xe0";
  text.ToUpper();
  EXPECT_STREQ(text.CStr(), "MIXED CASE \xc0");
  text.ToLower();
  EXPECT_STREQ(text.CStr(), "mixed case \xc0");
  text = "trail  \t  ";
  text.CutTrailingSpaces();
  EXPECT_STREQ(text.CStr(), "trail  \t");
  text = "reverse";
  text.Reverse();
  EXPECT_STREQ(text.CStr(), "esrever");
  text.CutFirstChar();
  EXPECT_STREQ(text.CStr(), "srever");
  qstring empty("");
  empty.CutFirstChar();
  EXPECT_STREQ(empty.CStr(), "");
}

TEST(QStringEditing, PathPieces) {
  qstring path("dir.x/file");
  EXPECT_TRUE(path.CutExtension());
  EXPECT_STREQ(path.CStr(), "dir");
  qstring plain("file");
  EXPECT_FALSE(plain.CutExtension());
  EXPECT_STREQ(plain.CStr(), "file");
  qstring mixed("a/b\\c");
  EXPECT_TRUE(mixed.CutFile());
  EXPECT_STREQ(mixed.CStr(), "a/b");
  EXPECT_FALSE(plain.CutFile());
}

TEST(QStringEditing, ReplaceAndEscapes) {
  qstring text("a-b-c");
  text.Replace("-", "+");
  EXPECT_STREQ(text.CStr(), "a+b-c");
  text.Replace("b", "b");
  EXPECT_STREQ(text.CStr(), "a+b-c");
  text.ReplaceAll("a", "ba");  // would never end: refused
  EXPECT_STREQ(text.CStr(), "a+b-c");
  text = "x--y----z";
  text.ReplaceAll("--", "-");
  EXPECT_STREQ(text.CStr(), "x-y-z");
  text = "Tom & Jerry & Co";
  text.EscapeAmpersands();
  EXPECT_STREQ(text.CStr(), "Tom && Jerry && Co");
  text = "C:\\dir\\file";
  text.RemoveBackslashes();
  EXPECT_STREQ(text.CStr(), "C:dirfile");
  text = "\x91quoted\x92";
  text.ConvertVellum();
  EXPECT_STREQ(text.CStr(), "'quoted'");

  qstring quotes("it's a\\b");
  char *escaped = quotes.GetEscapedQuotes();
  EXPECT_STREQ(escaped, "it\\'s a\\\\b");
  QFree(escaped);
}

TEST(QStringEditing, Environment) {
  setenv("KILN_TEST_ONE", "1st", 1);
  unsetenv("KILN_TEST_UNSET");
  qstring text("[%KILN_TEST_ONE%|%KILN_TEST_UNSET%|100%%|%KILN_TEST_ONE");
  text.Convertenv();
  EXPECT_STREQ(text.CStr(), "[1st||100|1st");
  std::string large(20000, 'v');
  setenv("KILN_TEST_LARGE", large.c_str(), 1);
  qstring big("%KILN_TEST_LARGE%%KILN_TEST_LARGE%");
  big.Convertenv();
  EXPECT_EQ(std::string(big.CStr()), large + large);
}

TEST(QStringUrl, EncodingAndDecoding) {
  qstring text("a b/\xe9");
  char *encoded = text.GetURLEncoded();
  EXPECT_STREQ(encoded, "a+b%2F%E9");
  QFree(encoded);
  EXPECT_STREQ(text.CStr(), "a b/\xe9");
  text.URLEncode();
  EXPECT_STREQ(text.CStr(), "a+b%2F%E9");
  text.URLDecode();
  EXPECT_STREQ(text.CStr(), "a b/\xe9");
  qstring cut("a%4");
  cut.URLDecode();
  EXPECT_STREQ(cut.CStr(), "a%4");
  qstring end("ab%");
  end.URLDecode();
  EXPECT_STREQ(end.CStr(), "ab%");
  qstring mixed("a+b%41%6a%zz");
  mixed.URLDecode();
  EXPECT_STREQ(mixed.CStr(), "a bAj\x0");
}

TEST(QStringFiles, FromFile) {
  kiln::test::TempDir dir;
  dir.WriteFile("text", "line one\nline two\n");
  qstring text(4);
  text.FromFile(dir.Path("text").c_str());
  EXPECT_STREQ(text.CStr(), "line one\nline two\n");
  EXPECT_EQ(text.GetSize(), 19);
  dir.WriteFile("empty", "");
  text.FromFile(dir.Path("empty").c_str());
  EXPECT_STREQ(text.CStr(), "");
  MessageCapture capture;
  text = "old";
  text.FromFile(dir.Path("missing").c_str());
  EXPECT_STREQ(text.CStr(), "");
  EXPECT_EQ(capture.Take(), "qstring:FromFile(" + dir.Path("missing") + "); file not found\n");
}

TEST(QStringWide, ConversionsAndTheNarrowView) {
  qstring text("Hi");
  text.ASCII2UC();
  ASSERT_TRUE(text.IsUnicode());
  EXPECT_STREQ(text.CStr(), "<unicodestr-nyi>");
  EXPECT_EQ(std::u32string(text.WStr()), U"Hi");
  EXPECT_EQ(text.Length(), 2);
  text.CutFirstChar();
  EXPECT_EQ(std::u32string(text.WStr()), U"i");

  qstring hex("004100e920ac12");
  hex.Q2UC();  // the incomplete group "12" is dropped
  EXPECT_EQ(std::u32string(hex.WStr()), U"A\u00e9\u20ac");
  qstring bytes("48690a");
  bytes.Hex2ASCII();
  EXPECT_STREQ(bytes.CStr(), "Hi\n");

  qstring wide;
  wide = U"wide";
  qstring assigned;
  assigned = wide;  // a wide source makes the target wide
  EXPECT_EQ(std::u32string(assigned.WStr()), U"wide");
  assigned = "narrow again";
  EXPECT_FALSE(assigned.IsUnicode());
  EXPECT_STREQ(assigned.CStr(), "narrow again");
  assigned = 5;
  EXPECT_STREQ(assigned.CStr(), "5");
}

TEST(QStringWide, RefusalsLeaveValidStrings) {
  MessageCapture capture;
  qstring wide;
  wide = U"abc";
  qstring copy(wide);
  EXPECT_STREQ(copy.CStr(), "");
  EXPECT_EQ(capture.Take(), "qstring:qstring(const qstring& x) NYI for UC\n");
  EXPECT_FALSE(wide.Contains("a"));
  EXPECT_EQ(capture.Take(), "qstring:Contains(const char*) NYI for UC\n");
  wide.CutTrailingSpaces();
  EXPECT_EQ(capture.Take(), "qstring:CutTrailingSpaces() NYI for Unicode\n");
  wide.Capitalize(true);
  EXPECT_EQ(capture.Take(), "qstring:Capitalize() NYI for Unicode\n");
  EXPECT_FALSE(wide.CutExtension());
  EXPECT_EQ(capture.Take(), "qstring:CutExtension() NYI for Unicode\n");
  EXPECT_FALSE(wide.CutFile());
  EXPECT_EQ(capture.Take(), "qstring:CutFile() NYI for Unicode\n");
  wide.ConvertVellum();
  EXPECT_EQ(capture.Take(), "qstring::ConvertVellum() nyi for unicode\n");
  wide.Convertenv();
  EXPECT_EQ(capture.Take(), "qstring:Convertenv() nyi for UC\n");
  wide.ReplaceAll("a", "b");
  EXPECT_EQ(capture.Take(), "qstring:Contains(const char*) NYI for UC\n");
  wide.ASCII2UC();
  EXPECT_EQ(capture.Take(), "qstring::ASCII2UC(); string is already unicode\n");
  wide.Q2UC();
  EXPECT_EQ(capture.Take(), "qstring::Q2UC(); string is already unicode\n");
  wide.UC2QC();
  EXPECT_EQ(capture.Take(), "** Error: UC2QC nyi\n");
  qstring sub = wide.GetSubstring(0, 1);
  EXPECT_EQ(capture.Take(), "qstring:GetSubstring() NYI for Unicode\n");
  EXPECT_EQ(std::u32string(sub.WStr()), U"abc");
  wide.Reverse();
  wide += "more";
  wide.ToUpper();
  wide[0];
  EXPECT_EQ(std::u32string(wide.WStr()), U"abc");
  qstring mixed("x");
  mixed += wide;
  EXPECT_STREQ(mixed.CStr(), "x<unicodestr-nyi>");
  EXPECT_STREQ((wide + "!").CStr(), "<unicodestr-nyi>!");
  capture.Take();
}

}  // namespace
