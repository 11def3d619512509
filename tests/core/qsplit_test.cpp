// Splitting lines into words and URL queries into arguments.
#include <gtest/gtest.h>

#include <kiln/qsplit.h>

#include <string>
#include <vector>

#include "message_capture.h"

namespace {

std::vector<std::string> Words(const QSplit &split) {
  std::vector<std::string> words;
  for (int i = 0; i < split.GetCount(); ++i) words.push_back(split.GetArg(i).CStr());
  return words;
}

using Texts = std::vector<std::string>;

TEST(QSplitWords, RunsOfSeparatorsGiveNoEmptyWords) {
  EXPECT_EQ(Words(QSplit("  a  b ", " \t\n")), (Texts{"a", "b"}));
  EXPECT_EQ(Words(QSplit("", " ")), Texts{});
  EXPECT_EQ(Words(QSplit("   ", " ")), Texts{});
  EXPECT_EQ(Words(QSplit("a;;b", 2)), (Texts{"a", "b"}));
  EXPECT_EQ(Words(QSplit("one two\tthree\nfour", 0)), (Texts{"one", "two", "three", "four"}));
  EXPECT_EQ(Words(QSplit("a b\tc\nd", 3)), (Texts{"a b", "c", "d"}));
  EXPECT_EQ(Words(QSplit("/usr//local/bin/", 4)), (Texts{"usr", "local", "bin"}));
  EXPECT_EQ(Words(QSplit("\"no quoting\"", 0)), (Texts{"\"no", "quoting\""}));
}

TEST(QSplitWords, ManyAndLongWords) {
  std::string line;
  for (int i = 0; i < 95; ++i) line += std::to_string(i) + " ";
  QSplit split(line.c_str(), 0);
  ASSERT_EQ(split.GetCount(), 95);
  EXPECT_EQ(split.GetInt(94), 94);
  std::string huge(50000, 'w');
  QSplit longWord((huge + " x").c_str(), 0);
  ASSERT_EQ(longWord.GetCount(), 2);
  EXPECT_EQ(std::string(longWord.GetArg(0).CStr()), huge);
}

TEST(QSplitWords, NumbersAndOutOfRangeIndices) {
  QSplit split("0x10 2.5 $ff", 0);
  EXPECT_EQ(split.GetInt(0), 16);
  EXPECT_FLOAT_EQ(split.GetFloat(1), 2.5f);
  EXPECT_EQ(split.GetInt(2), 255);
  EXPECT_STREQ(split.GetArg(-1).CStr(), "");
  EXPECT_STREQ(split.GetArg(3).CStr(), "");
  EXPECT_EQ(split.GetInt(7), 0);
  EXPECT_STREQ(split.GetName(0), "");
  EXPECT_EQ(split.GetName(3), nullptr);
}

TEST(QSplitWords, UnknownTypeWarns) {
  kiln::test::MessageCapture capture;
  QSplit split("a b", 9);
  EXPECT_EQ(split.GetCount(), 0);
  EXPECT_EQ(capture.Take(), "QSplit: unknown split type 9\n");
}

TEST(QSplitQuery, NamesAndDecodedValues) {
  kiln::test::MessageCapture capture;
  QSplit query("&x=1&y=a+b%21&z", 1);
  ASSERT_EQ(query.GetCount(), 3);
  EXPECT_STREQ(query.GetName(0), "x");
  EXPECT_STREQ(query.GetName(1), "y");
  EXPECT_STREQ(query.GetName(2), "z");
  EXPECT_STREQ(query.GetArg(1).CStr(), "a b!");
  EXPECT_STREQ(query.GetValue("y").CStr(), "a b!");
  EXPECT_STREQ(query.GetValue("z").CStr(), "");
  EXPECT_STREQ(query.GetValue("missing").CStr(), "");
  EXPECT_EQ(query.GetInt("x"), 1);
  EXPECT_TRUE(query.IsTrue("x"));
  EXPECT_FALSE(query.IsTrue("y"));
  EXPECT_EQ(capture.Take(), "QSplit:SplitAmpersand; no '=' in arg 'z'\n");
}

TEST(QSplitQuery, EmptyPiecesAndEdges) {
  kiln::test::MessageCapture capture;
  QSplit query("a=1&&b=x=y&c=%4&d=%", 1);
  ASSERT_EQ(query.GetCount(), 5);
  EXPECT_STREQ(query.GetName(1), "");  // the empty piece between two '&'
  EXPECT_STREQ(query.GetValue("b").CStr(), "x=y");
  EXPECT_STREQ(query.GetValue("c").CStr(), "%4");  // cut short: kept as it is
  EXPECT_STREQ(query.GetValue("d").CStr(), "%");
  QSplit trailing("a=1&", 1);
  EXPECT_EQ(trailing.GetCount(), 1);
  QSplit first("a=1&a=2", 1);
  EXPECT_STREQ(first.GetValue("a").CStr(), "1");
  QSplit bare("=v", 1);
  EXPECT_STREQ(bare.GetName(0), "");
  EXPECT_STREQ(bare.GetArg(0).CStr(), "v");
}

}  // namespace
