// The developer trace file: categories, prefix, indentation and levels.
#include <gtest/gtest.h>

#include <kiln/qtrace.h>

#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "diag_capture.h"

using kiln::test::CaptureOutputs;
using kiln::test::ReadFile;
using kiln::test::SplitLines;
using kiln::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

// Opens the trace file without the date, time and process id that the
// default mask puts in front of every line.
bool OpenPlainTrace() {
  qtrace_remove_mask(QTRACE_DATE | QTRACE_TIME | QTRACE_PID);
  return qtrace_open("trace.txt");
}

Texts TraceLines(const TempDir &dir) { return SplitLines(ReadFile(dir.Path("trace.txt"))); }

TEST(TraceFile, OpeningAndClosing) {
  TempDir dir;
  auto out = CaptureOutputs(dir, [] {
    qtrace("before opening");
    if (!qtrace_open(nullptr) || qtrace_file()) return;
    if (qtrace_open("missing-dir/trace.txt")) return;
    if (!OpenPlainTrace() || !qtrace_file()) return;
    qtrace("kept");
    qtrace_open(nullptr);
    qtrace("after closing");
    std::printf("ok");
  });
  EXPECT_EQ(out.out, "ok");
  EXPECT_EQ(TraceLines(dir), Texts{"kept"});
}

TEST(TraceFile, TrailingNewlinesBecomeExactlyOneAndTextIsCut) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    OpenPlainTrace();
    qtrace("several\n\n\n");
    qtrace("%s", std::string(3000, 'y').c_str());
    qtrace("100%%");
  });
  EXPECT_EQ(ReadFile(dir.Path("trace.txt")), "several\n" + std::string(1023, 'y') + "\n100%\n");
}

TEST(TraceFile, CopiesDebugWarningAndErrorTextByCategory) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    OpenPlainTrace();
    qdbg("debug %s\n", "%d");
    qwarn("warning");
    qerr("error");
    qtrace_remove_mask(QTRACE_DEBUG | QTRACE_WARN | QTRACE_ERR);
    qdbg("not copied");
    qwarn("not copied");
    qerr("not copied");
  });
  EXPECT_EQ(TraceLines(dir), (Texts{"debug %d", "warning", "** Error: error"}));
}

TEST(TraceFile, CategoriesNeedAllTheirBitsAndAnOpenFile) {
  TempDir dir;
  auto out = CaptureOutputs(dir, [] {
    std::string result;
    result += qtrace_enabled(0) ? '1' : '0';
    qtrace_open("trace.txt");
    result += qtrace_enabled(0) ? '1' : '0';
    unsigned old = qtrace_set_mask(0x05);
    result += old == QTRACE_MASK_DEFAULT ? '1' : '0';
    result += qtrace_enabled(0x05) ? '1' : '0';
    result += qtrace_enabled(0x07) ? '1' : '0';
    result += qtrace_add_mask(0x02) == 0x05 ? '1' : '0';
    result += qtrace_enabled(0x07) ? '1' : '0';
    result += qtrace_remove_mask(0x04) == 0x07 ? '1' : '0';
    result += qtrace_enabled(0x05) ? '1' : '0';
    std::printf("%s", result.c_str());
  });
  // closed: off; open: on; old mask; 0x05 on; 0x07 off; add; on; remove; off
  EXPECT_EQ(out.out, "011101110");
}

TEST(TraceFile, LevelsAtOrBelowTheTraceLevelArePrinted) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    OpenPlainTrace();
    qtrace_level(3, "three");
    qtrace_level(4, "four");
    if (qtrace_set_level(5) != 3 || qtrace_get_level() != 5) qtrace("level not kept");
    qtrace_level(4, "four again");
  });
  EXPECT_EQ(TraceLines(dir), (Texts{"three", "four again"}));
}

TEST(TraceFile, EnterAndLeaveIndentUpToTwelveLevels) {
  TempDir dir;
  int object = 0;
  const void *address = &object;
  CaptureOutputs(dir, [address] {
    OpenPlainTrace();
    qtrace_enter("QWindow", "Paint", address);
    qtrace("inside");
    for (int i = 0; i < 13; ++i) qtrace_enter("Deep", "Call", QTRACE_NO_OBJECT);
    qtrace("deepest");
    for (int i = 0; i < 13; ++i) qtrace_leave("Deep", "Call", QTRACE_NO_OBJECT);
    qtrace_leave("QWindow", "Paint", address);
    qtrace("outside");
  });
  Texts lines = TraceLines(dir);
  ASSERT_EQ(lines.size(), 31u);
  char pointer[64];
  std::snprintf(pointer, sizeof pointer, "%p", address);
  EXPECT_EQ(lines[0], std::string(">QWindow::Paint (this=0x") + pointer + ")");
  EXPECT_EQ(lines[1], "| inside");
  EXPECT_EQ(lines[2], "| >Deep::Call");
  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += "| ";
  EXPECT_EQ(lines[14], twelve + ">Deep::Call");  // the 13th enter: depth 13, shown as 12
  EXPECT_EQ(lines[15], twelve + "deepest");
  EXPECT_EQ(lines[16], twelve + "<Deep::Call");  // back to depth 12
  EXPECT_EQ(lines[28], "| <Deep::Call");
  EXPECT_EQ(lines[29], std::string("<QWindow::Paint (this=0x") + pointer + ")");
  EXPECT_EQ(lines[30], "outside");
}

TEST(TraceFile, PrefixCarriesDateTimeAndProcessId) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    qtrace_open("trace.txt");  // the default mask stamps every line
    qtrace_enter("A", "B", QTRACE_NO_OBJECT);
    qtrace("stamped");
  });
  Texts lines = TraceLines(dir);
  ASSERT_EQ(lines.size(), 2u);
  std::regex stamped("[0-9]{2}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} [ 0-9]{5}[0-9] \\| stamped");
  EXPECT_TRUE(std::regex_match(lines[1], stamped)) << lines[1];
}

TEST(TraceFile, LeaveInAForkedChildKeepsTheDepth) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    OpenPlainTrace();
    qtrace_enter("Parent", "Run", QTRACE_NO_OBJECT);
    pid_t child = fork();
    if (child == 0) {
      qtrace_leave("Child", "Run", QTRACE_NO_OBJECT);
      qtrace("child still indented");
      _exit(0);
    }
    waitpid(child, nullptr, 0);
    qtrace_leave("Parent", "Run", QTRACE_NO_OBJECT);
    qtrace("parent back at the left");
  });
  EXPECT_EQ(TraceLines(dir), (Texts{">Parent::Run", "| <Child::Run", "| child still indented", "<Parent::Run",
                                    "parent back at the left"}));
}

}  // namespace
