// String tables of plain lines and of keyed entries, and their chains.
#include <gtest/gtest.h>

#include <kiln/qinfo.h>
#include <kiln/qlanguage.h>

#include <string>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::TempDir;

namespace {

TEST(QLanguageLines, EachLineIsAString) {
  TempDir dir;
  dir.WriteFile("en.txt", "Yes\nNo\r\n\nLast without end");
  QLanguage table(dir.Path("en.txt").c_str(), 1);
  ASSERT_EQ(table.GetCount(), 4);
  EXPECT_STREQ(table.GetString(0), "Yes");
  EXPECT_STREQ(table.GetString(1), "No");
  EXPECT_STREQ(table.GetString(2), "");
  EXPECT_STREQ(table.GetString(3), "Last without end");
  MessageCapture capture;
  EXPECT_STREQ(table.GetString(4), "???");
  EXPECT_STREQ(table.GetString(-1), "???");
  EXPECT_EQ(capture.Take(), "QLanguage::GetString(4) out of range\nQLanguage::GetString(-1) out of range\n");
}

TEST(QLanguageKeys, GroupsCommentsAndBlanks) {
  TempDir dir;
  dir.WriteFile("en.lng",
                "; a comment\n"
                "  a = b\n"
                "menu\n"
                "{\n"
                "  quit=Bye\n"
                "   ; indented comment\n"
                "  open=Open...=now\n"
                "}\n"
                "after=1\n");
  QLanguage table(dir.Path("en.lng").c_str(), 2);
  ASSERT_EQ(table.GetCount(), 4);
  EXPECT_STREQ(table.GetString("a "), " b");  // the blank before '=' stays
  EXPECT_STREQ(table.GetString("menu.quit"), "Bye");
  EXPECT_STREQ(table.GetString("menu.open"), "Open...=now");
  EXPECT_STREQ(table.GetString("after"), "1");
  EXPECT_STREQ(table.GetString("missing"), "?missing?");
  EXPECT_STREQ(table.GetString("missing", "fallback"), "fallback");
}

TEST(QLanguageKeys, ChainsSearchOnAndStopAtLoops) {
  TempDir dir;
  dir.WriteFile("de.lng", "yes=Ja\n");
  dir.WriteFile("en.lng", "yes=Yes\nno=No\n");
  QLanguage german(dir.Path("de.lng").c_str(), 2);
  QLanguage english(dir.Path("en.lng").c_str(), 2);
  german.SetNext(&english);
  EXPECT_STREQ(german.GetString("yes"), "Ja");
  EXPECT_STREQ(german.GetString("no"), "No");
  english.SetNext(&german);  // a loop must not hang the lookup
  EXPECT_STREQ(german.GetString("maybe"), "?maybe?");
}

TEST(QLanguageLimits, TooManyStringsReplaceTheLast) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 1002; ++i) text += "line " + std::to_string(i) + "\n";
  dir.WriteFile("many.txt", text);
  MessageCapture capture;
  QLanguage table(dir.Path("many.txt").c_str(), 1);
  EXPECT_EQ(table.GetCount(), 1000);
  EXPECT_STREQ(table.GetString(999), "line 1001");
  std::string warning = "QLanguage:Open(); too many strings in '" + dir.Path("many.txt") + "'\n";
  EXPECT_EQ(capture.Take(), warning + warning);
}

TEST(QLanguageLimits, MissingFilesAndBadTypes) {
  MessageCapture capture;
  QLanguage missing("/nonexistent/en.lng", 2);
  EXPECT_EQ(missing.GetCount(), 0);
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(capture.Take(), "");
  QLanguage bad("/nonexistent/en.lng", 3);
  EXPECT_EQ(capture.Take(), "QLanguage:Open(); bad type (3)\n");
  QInfo info("/nonexistent/info", QINFO_QUIET);
  QLanguage fromInfo(info);
  EXPECT_EQ(capture.Take(), "QInfo &info NYI\n");
  EXPECT_EQ(fromInfo.GetCount(), 0);
}

}  // namespace
