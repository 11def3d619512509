// Where each kind of diagnostic output goes, with and without callbacks and
// log mask bits.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qexit.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "diag_capture.h"

using kiln::test::CaptureOutputs;
using kiln::test::Outputs;
using kiln::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

const std::string kStart = "--- application start ---";

// Callbacks run in the child; they leave what they got in a file.
void RecordCallback(const char *text) {
  FILE *file = std::fopen("callback.txt", "ab");
  std::fprintf(file, "[%s]", text);
  std::fclose(file);
}

std::vector<std::string> Levels(const Outputs &outputs) {
  std::vector<std::string> levels;
  for (const auto &line : outputs.log) levels.push_back(line.level + "|" + line.message);
  return levels;
}

TEST(DebugOutput, FirstDebugTextIsPrecededByTheStartLineEverywhere) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qdbg("hello %d\n", 5);
    qdbg("no newline");
  });
  EXPECT_EQ(out.err, kStart + "\nhello 5\nno newline");
  EXPECT_EQ(Levels(out), Texts{"INFO |" + kStart});
  EXPECT_EQ(out.log[0].app, "noqapp");
  EXPECT_GT(out.log[0].pid, 0);
  EXPECT_EQ(out.console, kStart + "\n");
  EXPECT_EQ(out.remote, (Texts{"INFO: " + kStart + "\n", "hello 5\n", "no newline"}));
}

TEST(DebugOutput, CallbackReceivesTheTextAndNothingElseHappens) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qdbg_set_callback(RecordCallback);
    qdbg("to the callback %s", "only");
    // Removing it returns the installed one and restores the other paths.
    if (qdbg_set_callback(nullptr) != RecordCallback) qdbg("wrong previous callback");
  });
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("callback.txt")), "[to the callback only]");
  EXPECT_EQ(out.err, "");
  EXPECT_TRUE(out.logText.empty());
  EXPECT_TRUE(out.remote.empty());
  EXPECT_EQ(out.console, "");
}

TEST(WarningOutput, GoesToStandardErrorAndLogButNotConsoleOrRemote) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qwarn("careful");
    qwarn("already ended\n");
  });
  EXPECT_EQ(out.err, "careful\nalready ended\n");
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "WARN |careful", "WARN |already ended"}));
  EXPECT_EQ(out.console, "");
  EXPECT_TRUE(out.remote.empty());
}

TEST(WarningOutput, WithoutMaskBitStaysOffTheLogAndCallbackStopsEverything) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qlog_set_mask(QLOG_MASK_DEFAULT & ~QLOG_MASK_WARN);
    qwarn("only stderr");
    qwarn_set_callback(RecordCallback);
    qwarn("to callback");
  });
  EXPECT_EQ(out.err, "only stderr\n");
  EXPECT_TRUE(out.logText.empty());
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("callback.txt")), "[to callback\n]");
}

TEST(ErrorOutput, GoesToLogConsoleAndRemoteButNotStandardError) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] { qerr("broken %d", 7); });
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "ERR  |broken 7"}));
  EXPECT_EQ(out.console, kStart + "\nbroken 7\n");
  EXPECT_EQ(out.remote, (Texts{"INFO: " + kStart + "\n", "ERR: broken 7\n"}));
}

TEST(ErrorOutput, CallbackGetsThePrefixAndMaskCanSilenceIt) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qerr_set_callback(RecordCallback);
    qerr("with prefix");
    qerr_set_callback(nullptr);
    qlog_set_mask(0);
    qerr("nowhere");
  });
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("callback.txt")), "[** Error: with prefix\n]");
  EXPECT_EQ(out.err, "");
  EXPECT_TRUE(out.logText.empty());
  EXPECT_TRUE(out.remote.empty());
}

TEST(NoticeOutput, WritesToEveryLevelLogDestinationOnlyWithItsMaskBit) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qnote("note one");
    qlog_set_mask(QLOG_MASK_DEFAULT & ~QLOG_MASK_NOTE);
    qnote("note two");
  });
  EXPECT_EQ(out.err, kStart + "\nnote one\n");
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "INFO |note one"}));
  EXPECT_EQ(out.remote, (Texts{"INFO: " + kStart + "\n", "INFO: note one\n"}));

  TempDir quiet;
  Outputs none = CaptureOutputs(quiet, [] {
    qlog_set_mask(0);
    qnote("nothing");
  });
  EXPECT_EQ(none.err, "");
  EXPECT_TRUE(none.logText.empty());
  EXPECT_TRUE(none.remote.empty());
}

TEST(PlainOutput, GoesToStandardErrorAndRemoteAndToTheLogOnlyWithItsMaskBit) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qout("k");
    qlog_set_mask(QLOG_MASK_DEFAULT | QLOG_MASK_OUT);
    qout("logged");
    qout_set_callback(RecordCallback);
    qout("cb");
  });
  EXPECT_EQ(out.err, "klogged");
  // The first text that reaches the log brings the start line with it.
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "INFO |logged"}));
  EXPECT_EQ(out.remote, (Texts{"k", "INFO: " + kStart + "\n", "INFO: logged\n", "logged"}));
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("callback.txt")), "[cb]");
}

TEST(LevelLog, LevelNameIsTheFirstLevelBitSet) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qlog(QLOG_NO_REMOTE | QLOG_NO_STDERR, "none");
    qlog(QLOG_INFO | QLOG_FATAL | QLOG_NO_STDERR, "info wins");
    qlog(QLOG_WARN | QLOG_ERR | QLOG_NO_STDERR, "err wins");
    qlog(QLOG_CRIT | QLOG_NOTE | QLOG_NO_STDERR, "crit");
    qlog(QLOG_NOTE | QLOG_NO_STDERR, "note");
    qlog(QLOG_FATAL | QLOG_NO_STDERR, "fatal");
  });
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "?    |none", "INFO |info wins", "ERR  |err wins",
                                "CRIT |crit", "NOTE |note", "FATAL|fatal"}));
  // The start line kept the destinations of the call that brought it.
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(out.remote.size(), 5u);
}

TEST(LevelLog, UsesTheApplicationNameFromItsHook) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qlog_set_app_name_hook([]() -> const char * { return "painter"; });
    qlog(QLOG_NOTE | QLOG_NO_STDERR, "named");
    qlog_set_app_name_hook([]() -> const char * { return nullptr; });
    qlog(QLOG_NOTE | QLOG_NO_STDERR, "unnamed");
  });
  ASSERT_EQ(out.log.size(), 3u);
  EXPECT_EQ(out.log[1].app, "painter");
  EXPECT_EQ(out.log[2].app, "noqapp");
}

TEST(Formatting, LongMessagesAreCutAndFormattedTextIsNeverFormattedAgain) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    std::string huge(20000, 'x');
    qdbg_set_callback(RecordCallback);
    qdbg("%s", huge.c_str());
    qdbg_set_callback(nullptr);
    qwarn("%s", huge.c_str());
    qerr("%s", "100%s %n %d%%");
  });
  std::string callback = kiln::test::ReadFile(dir.Path("callback.txt"));
  EXPECT_EQ(callback, "[" + std::string(10239, 'x') + "]");
  EXPECT_EQ(out.err, std::string(10238, 'x') + "\n");
  ASSERT_EQ(out.log.size(), 3u);
  EXPECT_EQ(out.log[1].message, std::string(10238, 'x'));
  EXPECT_EQ(out.log[2].message, "100%s %n %d%%");
  EXPECT_EQ(out.console, "100%s %n %d%%\n");  // the start line came with the warning
}

TEST(FatalOutput, LogsAndEndsTheProcessWithFailureThroughTheExitRoutine) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qexit_add_hook([] {
      FILE *file = std::fopen("hook.txt", "w");
      std::fputs("ran", file);
      std::fclose(file);
    });
    qfatal("cannot go on: %s", "reason");
  });
  EXPECT_EQ(out.status, 1);
  EXPECT_EQ(out.err, kStart + "\ncannot go on: reason\n");
  EXPECT_EQ(Levels(out), (Texts{"INFO |" + kStart, "FATAL|cannot go on: reason"}));
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("hook.txt")), "ran");
}

}  // namespace
