// Failed assertions and the source line display.
#include <gtest/gtest.h>

#include <kiln/qassert.h>
#include <kiln/qdebug.h>

#include <string>

#include "diag_capture.h"

using kiln::test::CaptureOutputs;
using kiln::test::TempDir;

namespace {

void PrintCallback(const char *text) { std::printf("[%s]", text); }

std::string Show(const TempDir &dir, const char *file, int line) {
  return CaptureOutputs(dir, [file, line] {
           qdbg_set_callback(PrintCallback);
           qshow_source_line(file, line);
         }).out;
}

TEST(SourceLine, ShowsTheNumberedLineOfAFile) {
  TempDir dir;
  dir.WriteFile("source.c", "first\nsecond\nthird %d\n");
  EXPECT_EQ(Show(dir, "source.c", 1), "[> first\n]");
  EXPECT_EQ(Show(dir, "source.c", 3), "[> third %d\n]");
  EXPECT_EQ(Show(dir, "source.c", 4), "");
  EXPECT_EQ(Show(dir, "source.c", 0), "");
  EXPECT_EQ(Show(dir, "no-such-file.c", 1), "");
}

TEST(SourceLine, LongLinesCountAsSeveral) {
  TempDir dir;
  dir.WriteFile("long.c", std::string(300, 'a') + "\nnext\n");
  EXPECT_EQ(Show(dir, "long.c", 2), "[> " + std::string(127, 'a') + "]");
  EXPECT_EQ(Show(dir, "long.c", 3), "[> " + std::string(46, 'a') + "\n]");
  EXPECT_EQ(Show(dir, "long.c", 4), "[> next\n]");
}

TEST(SourceLine, FindsLibrarySourcesByRelativeName) {
  TempDir dir;
  std::string shown = Show(dir, "src/qobject.cpp", 1);
  std::string firstLine = kiln::test::SplitLines(kiln::test::ReadFile(KILN_CORE_SOURCE_DIR "/src/qobject.cpp"))[0];
  EXPECT_EQ(shown, "[Q ][> " + firstLine + "\n]");
}

TEST(Assertion, ReportsAnErrorAndShowsTheLine) {
  TempDir dir;
  dir.WriteFile("checked.c", "int a;\nQASSERT(a == 1);\n");
  auto out = CaptureOutputs(dir, [] {
    qdbg_set_callback(PrintCallback);
    qerr_set_callback(PrintCallback);
    qassert_fail("checked.c", 2);
  });
  EXPECT_EQ(out.out, "[** Error: Assertion failed in 'checked.c', line 2\n][> QASSERT(a == 1);\n]");
}

TEST(Assertion, MacroFiresOnlyWhenFalse) {
  TempDir dir;
  auto out = CaptureOutputs(dir, [] {
    qerr_set_callback(PrintCallback);
    qdbg_set_callback(PrintCallback);
    QASSERT(1 + 1 == 2);
    QASSERT(1 + 1 == 3);
  });
  EXPECT_NE(out.out.find("** Error: Assertion failed in '"), std::string::npos);
  EXPECT_NE(out.out.find("[> "), std::string::npos);
  EXPECT_NE(out.out.find("QASSERT(1 + 1 == 3);"), std::string::npos);
}

}  // namespace
