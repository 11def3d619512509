// The log file: rotation at its size limit, failures, and reading its tail.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>

#include "diag_capture.h"

using kiln::test::CaptureOutputs;
using kiln::test::Outputs;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

constexpr off_t kLimit = 10000000;

int QLOG_OLD_EXISTS() { return kiln::test::Exists("QLOG_OLD.txt"); }

off_t SizeOf(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

void MakeLogOfSize(const TempDir &dir, off_t size) {
  dir.WriteFile("QLOG.txt", "");
  ASSERT_EQ(truncate(dir.Path("QLOG.txt").c_str(), size), 0);
}

TEST(LogRotation, LogOfExactlyTheLimitIsStillAppendedTo) {
  TempDir dir;
  Outputs out = CaptureOutputs(dir, [] {
    qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "start the log");
    if (truncate("QLOG.txt", kLimit) != 0) return;
    qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "appended");
    std::printf("%d", QLOG_OLD_EXISTS());
    qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "rotated");
  });
  EXPECT_EQ(out.out, "0");
  std::string old = ReadFile(dir.Path("QLOG_OLD.txt"));
  ASSERT_GT(old.size(), static_cast<std::size_t>(kLimit));
  EXPECT_NE(old.substr(kLimit).find("] appended\n"), std::string::npos);
  ASSERT_EQ(out.log.size(), 1u);
  EXPECT_EQ(out.log[0].message, "rotated");
}

TEST(LogRotation, OneByteMoreMovesTheLogAsideBeforeTheNextLine) {
  TempDir dir;
  MakeLogOfSize(dir, kLimit + 1);
  dir.WriteFile("QLOG_OLD.txt", "an older rotation\n");
  Outputs out = CaptureOutputs(dir, [] { qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "fresh"); });
  EXPECT_EQ(SizeOf(dir.Path("QLOG_OLD.txt")), kLimit + 1);
  ASSERT_EQ(out.log.size(), 2u);
  EXPECT_EQ(out.log[0].message, "--- application start ---");
  EXPECT_EQ(out.log[1].message, "fresh");
  struct stat status;
  ASSERT_EQ(stat(dir.Path("QLOG.txt").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0666u);
}

TEST(LogRotation, LogThatCannotBeMovedIsWrittenOnceWithoutRetrying) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to switch to a user who can't rename";
  TempDir dir;
  MakeLogOfSize(dir, kLimit + 1);
  chmod(dir.Path("QLOG.txt").c_str(), 0666);
  chmod(dir.path().c_str(), 0755);  // the other user can append but not rename or remove
  Outputs out = CaptureOutputs(dir, [] {
    if (setuid(65534) != 0) return;
    qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "first");
    qlog(QLOG_NOTE | QLOG_NO_STDERR | QLOG_NO_REMOTE, "second");
  });
  EXPECT_EQ(out.status, 0);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("QLOG_OLD.txt")));
  std::string log = ReadFile(dir.Path("QLOG.txt"));
  ASSERT_GT(log.size(), static_cast<std::size_t>(kLimit + 1));
  std::string tail = log.substr(kLimit + 1);
  EXPECT_NE(tail.find("] first\n"), std::string::npos);
  EXPECT_NE(tail.find("] second\n"), std::string::npos);
}

TEST(LogFailure, UnopenableLogIsReportedOnStandardErrorEachTime) {
  TempDir dir;
  dir.MakeDir("QLOG.txt");
  Outputs out = CaptureOutputs(dir, [] { qlog(QLOG_WARN | QLOG_NO_REMOTE, "lost"); });
  std::vector<std::string> lines = kiln::test::SplitLines(out.err);
  ASSERT_EQ(lines.size(), 4u) << out.err;
  EXPECT_EQ(lines[0], "--- application start ---");
  EXPECT_TRUE(std::regex_match(lines[1], std::regex("\\*\\* \\[noqapp/[0-9]+\\] Can't open log file \\(QLOG\\)")))
      << lines[1];
  EXPECT_EQ(lines[2], "lost");
  EXPECT_EQ(lines[3], lines[1]);
}

TEST(LogFailure, MissingConsoleIsSkippedAndNeverCreated) {
  TempDir dir;
  CaptureOutputs(dir, [] {
    unlink("console.txt");
    qerr("to a console that is not there");
  });
  // CaptureOutputs points the console at console.txt, which does not exist.
  EXPECT_FALSE(kiln::test::Exists(dir.Path("console.txt")));
  EXPECT_NE(ReadFile(dir.Path("QLOG.txt")).find("to a console that is not there"), std::string::npos);
}

std::string TailOf(const TempDir &dir) {
  kiln::test::ProcessResult run = kiln::test::RunInChild(
      [] {
        FILE *tail = qlog_open_tail();
        if (!tail) {
          std::printf("<null>");
          return;
        }
        std::printf("%ld:", std::ftell(tail));
        for (int c; (c = std::fgetc(tail)) != EOF;) std::putchar(c);
        std::fclose(tail);
      },
      dir.path());
  return run.out;
}

TEST(LogTail, OpensAtTheStartOfTheLastLineOrAtTheEnd) {
  TempDir dir;
  EXPECT_EQ(TailOf(dir), "<null>");
  dir.WriteFile("QLOG.txt", "");
  EXPECT_EQ(TailOf(dir), "0:");
  dir.WriteFile("QLOG.txt", "first\nsecond\n");
  EXPECT_EQ(TailOf(dir), "13:");
  dir.WriteFile("QLOG.txt", "first\nhalf a li");
  EXPECT_EQ(TailOf(dir), "6:half a li");
  dir.WriteFile("QLOG.txt", "no newline at all");
  EXPECT_EQ(TailOf(dir), "0:no newline at all");
}

}  // namespace
