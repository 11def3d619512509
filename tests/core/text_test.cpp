// Latin-1 tables and the small text conversions.
#include <gtest/gtest.h>

#include <kiln/qtext.h>

#include <cctype>
#include <string>

#include "message_capture.h"

namespace {

TEST(Latin1, AccentsAreStrippedByTheTable) {
  std::string plain;
  for (int c = 192; c <= 255; ++c) plain += static_cast<char>(QStripAccent(c));
  EXPECT_EQ(plain,
            "AAAAAA\xc6" "CEEEEIIIIDNOOOOO\xd7OUUUUY\xde\xdf"
            "aaaaaa\xe6" "ceeeeiiiion" "ooooo\xf7ouuuuy\xfey");
  EXPECT_EQ(QStripAccent(162), 'c');
  EXPECT_EQ(QStripAccent('x'), 'x');
}

TEST(Latin1, CaseMappingFollowsTheTable) {
  EXPECT_EQ(QToUpperLatin1(224), 192);
  EXPECT_EQ(QToUpperLatin1(231), 199);
  EXPECT_EQ(QToUpperLatin1(240), '?');
  EXPECT_EQ(QToUpperLatin1(247), 247);  // the division sign stays
  EXPECT_EQ(QToUpperLatin1(253), 221);
  EXPECT_EQ(QToUpperLatin1(255), 255);
  EXPECT_EQ(QToUpperLatin1('a'), 'A');
  EXPECT_EQ(QToLowerLatin1(192), 224);
  EXPECT_EQ(QToLowerLatin1(193), 193);
  EXPECT_EQ(QToLowerLatin1('Q'), 'q');
  char text[] = "caf\xe9 \xf1o";
  QStrUpperLatin1(text);
  EXPECT_STREQ(text, "CAF\xc9 \xd1O");
}

TEST(TextConversions, UrlDecodingStaysInsideTheText) {
  char out[32];
  EXPECT_EQ(QURLDecode("a+b%41%6a", out), 0);
  EXPECT_STREQ(out, "a bAj");
  QURLDecode("end%4", out);
  EXPECT_STREQ(out, "end%4");
  QURLDecode("%", out);
  EXPECT_STREQ(out, "%");
  EXPECT_EQ(QHexDigit('f'), 15);
  EXPECT_EQ(QHexDigit('G'), 0);
}

TEST(TextConversions, PascalStrings) {
  const unsigned char *pascal = QC2Pascal("abc");
  EXPECT_EQ(pascal[0], 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(pascal + 1), 3), "abc");
  kiln::test::MessageCapture capture;
  std::string large(300, 'p');
  pascal = QC2Pascal(large.c_str());
  EXPECT_EQ(pascal[0], 255);
  EXPECT_EQ(pascal[255], 'p');
  EXPECT_EQ(capture.Take(), "QC2Pascal(" + large + "): string is too large\n");
}

TEST(TextConversions, ExtensionsAndLineEnds) {
  EXPECT_STREQ(QFileExtension("image.tga"), "tga");
  EXPECT_EQ(QFileExtension("image."), nullptr);
  EXPECT_EQ(QFileExtension("image"), nullptr);
  EXPECT_STREQ(QFileExtension("a.b.c"), "c");
  EXPECT_EQ(QFileExtension(""), nullptr);
  char line[] = "text\r\n\n";
  EXPECT_EQ(QStripCRLF(line), 4);
  EXPECT_STREQ(line, "text");
  char empty[] = "";
  EXPECT_EQ(QStripCRLF(empty), 0);
  char only[] = "\r\n";
  EXPECT_EQ(QStripCRLF(only), 0);
}

}  // namespace
