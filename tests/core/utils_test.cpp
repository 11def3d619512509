// File names, whole files, paths, wildcards, numbers and rectangles.
#include <gtest/gtest.h>

#include <kiln/qrect.h>
#include <kiln/qutil.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

TEST(Wildcards, MatchIgnoresCaseAndSupportsNegation) {
  EXPECT_TRUE(QMatch("*.tga", "Foo.TGA"));
  EXPECT_FALSE(QMatch("!*.tga", "Foo.TGA"));
  EXPECT_TRUE(QMatch("!*.tga", "Foo.jpg"));
  EXPECT_TRUE(QMatch("a?c", "abc"));
  EXPECT_FALSE(QMatch("a?c", "ac"));
  EXPECT_TRUE(QMatch("*", ""));
  EXPECT_TRUE(QMatch("", ""));
  EXPECT_FALSE(QMatch("", "x"));
  EXPECT_TRUE(QMatch("(a)*", "abc"));
  EXPECT_TRUE(QMatch("*b*", "abc"));
  EXPECT_FALSE(QMatch("*x*", "abc"));
  EXPECT_FALSE(QMatch("*c?", "abc"));
  EXPECT_TRUE(QMatch("tex_*_??.tga", "TEX_wall_01.tga"));
}

TEST(Paths, PiecesOfPaths) {
  EXPECT_STREQ(QFindExtension("dir.d/file.tar.gz"), ".gz");
  EXPECT_EQ(QFindExtension("file"), nullptr);
  const char *empty = "";
  EXPECT_EQ(QFindExtension(empty), empty);
  EXPECT_STREQ(QFileName("a/b\\c.txt"), "c.txt");
  EXPECT_STREQ(QFileName("plain"), "plain");
  EXPECT_STREQ(QFileName("dir/"), "");
}

TEST(Paths, AppendingAndGoingUp) {
  char out[64];
  ASSERT_TRUE(QAppendPath("/usr", "..", out, sizeof out));
  EXPECT_STREQ(out, "/");
  ASSERT_TRUE(QAppendPath("a", "..", out, sizeof out));
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(QAppendPath("/", "x", out, sizeof out));
  EXPECT_STREQ(out, "/x");
  ASSERT_TRUE(QAppendPath("a", "b", out, sizeof out));
  EXPECT_STREQ(out, "a/b");
  ASSERT_TRUE(QAppendPath("/a/b/c", "..", out, sizeof out));
  EXPECT_STREQ(out, "/a/b");
  char small[8];
  EXPECT_FALSE(QAppendPath("abc", "defgh", small, sizeof small));
  EXPECT_STREQ(small, "");
  EXPECT_TRUE(QAppendPath("abc", "def", small, sizeof small));
  EXPECT_STREQ(small, "abc/def");
}

TEST(FileNames, EnvironmentPrefixesAreExpanded) {
  setenv("KILN_DATA", "/srv/kiln", 1);
  unsetenv("KILN_NOT_SET");
  EXPECT_STREQ(QExpandFilename("QLOG.txt"), "QLOG.txt");
  EXPECT_STREQ(QExpandFilename("KILN_DATA:maps/x.txt"), "/srv/kiln/maps/x.txt");
  EXPECT_STREQ(QExpandFilename("KILN_NOT_SET:x"), "KILN_NOT_SET:x");
  std::string huge(2000, 'h');
  setenv("KILN_HUGE", huge.c_str(), 1);
  EXPECT_STREQ(QExpandFilename("KILN_HUGE:x"), "KILN_HUGE:x");  // would not fit
  MessageCapture capture;
  std::string tooLong = "A:" + std::string(1100, 'n');
  EXPECT_EQ(QExpandFilename(tooLong.c_str()), tooLong.c_str());
  EXPECT_EQ(capture.Take(), "** Error: QExpandFilename() called on string with length>256\n");
}

TEST(WholeFiles, WriteReadSizeAndRemove) {
  TempDir dir;
  setenv("KILN_TEST_DIR", dir.path().c_str(), 1);
  ASSERT_TRUE(QWriteFile("KILN_TEST_DIR:data.bin", "0123456789", 10));
  EXPECT_TRUE(QFileExists("KILN_TEST_DIR:data.bin"));
  EXPECT_FALSE(QFileExists(""));
  EXPECT_EQ(QFileSize("KILN_TEST_DIR:data.bin"), 10);
  EXPECT_EQ(QFileSize(dir.Path("missing").c_str()), -1);
  char buffer[16] = {};
  EXPECT_TRUE(QReadFile(dir.Path("data.bin").c_str(), buffer, 4));
  EXPECT_STREQ(buffer, "0123");
  EXPECT_FALSE(QReadFile(dir.Path("missing").c_str(), buffer, 4));
  EXPECT_TRUE(QMakeDir(dir.Path("sub").c_str(), 0755));
  EXPECT_TRUE(QIsDirectory(dir.Path("sub").c_str()));
  EXPECT_FALSE(QIsDirectory(dir.Path("data.bin").c_str()));
  EXPECT_TRUE(QRemoveDir("KILN_TEST_DIR:sub"));
  EXPECT_TRUE(QRemoveFile("KILN_TEST_DIR:data.bin"));
  EXPECT_FALSE(QRemoveFile("KILN_TEST_DIR:data.bin"));
}

TEST(WholeFiles, ShortWritesAreFailures) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  std::string data(100000, 'd');
  EXPECT_FALSE(QWriteFile("/dev/full", data.data(), static_cast<long>(data.size())));
  EXPECT_FALSE(QWriteFile("/dev/full", "x", 1));  // only the close can tell
  TempDir dir;
  dir.WriteFile("source", data);
  MessageCapture capture;
  EXPECT_FALSE(QCopyFile(dir.Path("source").c_str(), "/dev/full"));
}

TEST(WholeFiles, CopyKeepsItsSourceEvenOntoItself) {
  TempDir dir;
  std::string data(5000, 's');
  dir.WriteFile("source", data);
  dir.WriteFile("target", std::string(9000, 't'));
  MessageCapture capture;
  ASSERT_TRUE(QCopyFile(dir.Path("source").c_str(), dir.Path("target").c_str()));
  EXPECT_EQ(ReadFile(dir.Path("target")), data);
  EXPECT_NE(capture.Take().find("QCopyFile(" + dir.Path("source") + "," + dir.Path("target") + "); cwd='"),
            std::string::npos);
  EXPECT_FALSE(QCopyFile(dir.Path("source").c_str(), dir.Path("source").c_str()));
  ASSERT_EQ(symlink("source", dir.Path("alias").c_str()), 0);
  EXPECT_FALSE(QCopyFile(dir.Path("alias").c_str(), dir.Path("source").c_str()));
  EXPECT_EQ(ReadFile(dir.Path("source")), data);
  EXPECT_FALSE(QCopyFile(dir.Path("missing").c_str(), dir.Path("x").c_str()));
  EXPECT_FALSE(kiln::test::Exists(dir.Path("x")));
}

TEST(Numbers, PowersOfTwo) {
  EXPECT_EQ(QNearestPowerOf2(0), 1);
  EXPECT_EQ(QNearestPowerOf2(1), 1);
  EXPECT_EQ(QNearestPowerOf2(5), 8);
  EXPECT_EQ(QNearestPowerOf2(8), 8);
  EXPECT_EQ(QNearestPowerOf2(9), 16);
  EXPECT_EQ(QNearestPowerOf2(-9), 1);
  EXPECT_EQ(QNearestPowerOf2(1 << 30), 1 << 30);
  EXPECT_EQ(QNearestPowerOf2((1 << 30) + 1), 0);
  EXPECT_EQ(QNearestPowerOf2(0x7FFFFFFF), 0);
  EXPECT_EQ(QFloorPowerOf2(5), 4);
  EXPECT_EQ(QFloorPowerOf2(8), 8);
  EXPECT_EQ(QFloorPowerOf2(0), 0);
  EXPECT_EQ(QFloorPowerOf2(0x7FFFFFFF), 1 << 30);
  MessageCapture capture;
  EXPECT_EQ(QNearestPowerOf2(3, true), 4);
  EXPECT_EQ(capture.Take(), "** Error: QNearestPowerOf2(); rounding not yet implemented\n");
}

TEST(Numbers, SwapsCaseAndHexDumps) {
  EXPECT_EQ(QSwap16(0x1234), 0x3412);
  EXPECT_EQ(QSwap32(0x12345678u), 0x78563412u);
  uint16_t shorts[] = {0x0102, 0xA0B0};
  QSwap16Array(shorts, 2);
  EXPECT_EQ(shorts[1], 0xB0A0);
  uint32_t words[] = {0x01020304u};
  QSwap32Array(words, 1);
  EXPECT_EQ(words[0], 0x04030201u);
  char text[] = "MiXeD \xc0";
  QLowerCase(text);
  EXPECT_STREQ(text, "mixed \xc0");
  QUpperCase(text);
  EXPECT_STREQ(text, "MIXED \xc0");
  MessageCapture capture;
  const unsigned char bytes[] = {0x00, 0x7f, 0xff};
  QHexDump(bytes, 3);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Hex %p: 00 7f ff\n", static_cast<const void *>(bytes));
  EXPECT_EQ(capture.Take(), expected);
}

TEST(Process, NotAvailableFunctionsSaySo) {
  MessageCapture capture;
  EXPECT_EQ(QFindProcess(), 0);
  EXPECT_FALSE(QKillProcess("x"));
  EXPECT_EQ(capture.Take(), "** Error: QFindProcess() nyi on non-Win32\n** Error: QKillProcess() nyi on non-Win32\n");
}

TEST(Process, RootPrivilegesCanBeDroppedAndRegained) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root";
  pid_t child = fork();
  if (child == 0) {
    // An installed program: real ids of a user, root kept as the saved ids.
    if (setresgid(65534, 65534, 0) != 0 || setresuid(65534, 65534, 0) != 0) _exit(10);
    if (!QSetRootPrivileges(true) || geteuid() != 0 || getegid() != 0) _exit(11);
    if (!QSetRootPrivileges(false) || geteuid() != 65534 || getegid() != 65534) _exit(12);
    if (!QSetRootPrivileges(true) || geteuid() != 0 || getegid() != 0) _exit(13);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Rectangles, ContainsOverlapsAndClips) {
  QRect r;
  r.Set(10, 20, 4, 4);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_TRUE(r.Contains(13, 23));
  EXPECT_FALSE(r.Contains(14, 23));
  QRect touching;
  touching.Set(14, 20, 5, 5);
  EXPECT_FALSE(r.Overlaps(touching));
  QRect crossing;
  crossing.Set(12, 22, 10, 10);
  EXPECT_TRUE(r.Overlaps(crossing));
  QRect clipped = r;
  clipped.Clip(crossing);
  EXPECT_EQ(clipped.x, 12);
  EXPECT_EQ(clipped.width, 2);
  EXPECT_EQ(clipped.height, 2);
  QRect apart = r;
  apart.Clip(touching);
  EXPECT_EQ(apart.width, 0);
  EXPECT_EQ(apart.height, 0);
  EXPECT_TRUE(apart.IsEmpty());
  QRect united = r;
  united.Unite(crossing);
  EXPECT_EQ(united.x, 10);
  EXPECT_EQ(united.width, 12);
  EXPECT_EQ(united.height, 12);
  EXPECT_EQ(united.Area(), 144);
  QRect inset;
  inset.Set(0, 0, 4, 4);
  inset.Inset(3);
  EXPECT_EQ(inset.width, 1);
  EXPECT_EQ(inset.height, 1);
  EXPECT_EQ(inset.x, 3);
  QRect far;
  far.Set(0x7FFFFFF0, 0, 0x7FFFFFF0, 1);  // right edge beyond 32 bits
  EXPECT_TRUE(far.Contains(0x7FFFFFFF, 0));
  QPoint p;
  p.Set(3, 4);
  p.Clear();
  EXPECT_EQ(p.x + p.y, 0);
}

}  // namespace
