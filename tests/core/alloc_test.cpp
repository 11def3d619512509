// Guards, fills, the live list and the reports of the tracking allocator.
#include <gtest/gtest.h>

#include <kiln/qalloc.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <regex>
#include <string>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

int Count(const std::string &text, const std::string &piece) {
  int found = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++found;
  return found;
}

TEST(TrackingAllocator, BadLengthsAreRefusedWithTheirSource) {
  MessageCapture capture;
  EXPECT_EQ(qcalloc(0, "caller.cpp", 12), nullptr);
  EXPECT_EQ(capture.Take(), "# Bad allocation length (0) in 'caller.cpp', line 12\n");
  EXPECT_EQ(qalloc(-5, "caller.cpp", 13, 0), nullptr);
  EXPECT_EQ(capture.Take(), "# Bad allocation length (-5) in 'caller.cpp', line 13\n");
  EXPECT_EQ(qalloc(INT_MAX, "caller.cpp", 14, 0), nullptr);  // the total would overflow
  EXPECT_EQ(capture.Take(), "# Allocation failed; 2147483647 bytes in 'caller.cpp', line 14\n");
}

TEST(TrackingAllocator, FillsGuardsAndAlignment) {
  int before = qmem_count();
  long long total = qmem_total();
  auto *plain = static_cast<unsigned char *>(QALLOC(24, 0));
  auto *object = static_cast<unsigned char *>(QALLOC(24, QALLOC_OBJECT));
  auto *zeroed = static_cast<unsigned char *>(QCALLOC(24));
  ASSERT_TRUE(plain && object && zeroed);
  for (int i = 0; i < 24; ++i) {
    EXPECT_EQ(plain[i], 0xBA);
    EXPECT_EQ(object[i], 0xCC);
    EXPECT_EQ(zeroed[i], 0x00);
  }
  EXPECT_EQ(std::memcmp(plain - 4, "HEAD", 4), 0);
  EXPECT_EQ(std::memcmp(plain + 24, "TRAL", 4), 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(plain) % 16, 0u);
  EXPECT_EQ(qmem_count(), before + 3);
  EXPECT_EQ(qmem_total(), total + 72);
  char *copy = QSTRDUP("dup");
  EXPECT_STREQ(copy, "dup");
  qfree(copy);
  qfree(plain);
  qfree(object);
  qfree(zeroed);
  qfree(nullptr);
  EXPECT_EQ(qmem_count(), before);
  EXPECT_EQ(qmem_total(), total);
}

TEST(TrackingAllocator, ChecksFindBytesWrittenOutsideTheBlock) {
  MessageCapture capture;
  auto *block = static_cast<char *>(qcalloc(8, "writer.cpp", 40));
  EXPECT_EQ(qcheck_block(block), 0);
  EXPECT_EQ(capture.Take(), "");
  block[8] = 'x';  // one past the end
  EXPECT_EQ(qcheck_block(block), 1);
  std::string report = capture.Take();
  char address[64];
  std::snprintf(address, sizeof address, "%p", static_cast<void *>(block));
  EXPECT_NE(report.find(std::string("writer.cpp(40): qcalloc(8) at 0x") + address + ":\n"), std::string::npos) << report;
  EXPECT_NE(report.find("  ^^^ Bytes trashed behind end of allocation!\n"), std::string::npos);
  EXPECT_EQ(report.find("in front of"), std::string::npos);
  // The dump shows the 16 bytes from the front guard: "HEAD" and the block.
  EXPECT_NE(report.find(" 48 45 41 44 00 00 00 00 00 00 00 00 78 52 41 4c\n"), std::string::npos) << report;
  block[8] = 'T';
  block[-1] = 'x';  // one before the start
  EXPECT_EQ(qcheck_block(block), 1);
  report = capture.Take();
  EXPECT_NE(report.find("  ^^^ Bytes trashed in front of allocation!\n"), std::string::npos);
  EXPECT_EQ(report.find("behind end"), std::string::npos);
  block[-1] = 'D';
  qfree(block);
}

TEST(TrackingAllocator, DumpOfASmallBlockStaysInsideIt) {
  MessageCapture capture;
  auto *block = static_cast<char *>(qcalloc(1, "small.cpp", 1));
  block[1] = '!';
  EXPECT_EQ(qcheck_block(block), 1);
  std::string report = capture.Take();
  // "HEAD", the one byte and the rear guard: nine bytes, no more.
  EXPECT_NE(report.find(": 48 45 41 44 00 21 52 41 4c\n"), std::string::npos) << report;
  block[1] = 'T';
  qfree(block);
}

TEST(TrackingAllocator, DoubleAndForeignFreesAreReportedAndHarmless) {
  MessageCapture capture;
  int before = qmem_count();
  void *first = qcalloc(16, "a.cpp", 1);
  void *second = qcalloc(16, "a.cpp", 2);
  qfree(first);
  qfree(first);
  EXPECT_NE(capture.Take().find("is no live block (freed twice, or not made here)"), std::string::npos);
  alignas(16) static char foreign[128];
  qfree(foreign + 64);
  EXPECT_NE(capture.Take().find("is no live block"), std::string::npos);
  EXPECT_EQ(qmem_count(), before + 1);
  // A trashed front guard is reported; the list stays intact.
  static_cast<char *>(second)[-2] = '?';
  qfree(second);
  EXPECT_NE(capture.Take().find("Bytes trashed in front of allocation!"), std::string::npos);
  EXPECT_EQ(qmem_count(), before);
  qcheck_all();
  EXPECT_EQ(capture.Take(), "");
}

TEST(TrackingAllocator, LinesAboveTheSixteenBitRangeComeBackNegative) {
  MessageCapture capture;
  auto *block = static_cast<char *>(qcalloc(4, "long.cpp", 40000));
  block[4] = 0;
  qcheck_block(block);
  EXPECT_NE(capture.Take().find("long.cpp(-25536): qcalloc(4)"), std::string::npos);
  block[4] = 'T';
  qfree(block);
}

TEST(MemoryReport, ListsNewBlocksOnceAndChecksThemAll) {
  MessageCapture capture;
  qmem_report(QMEM_REPORT_NEW);  // whatever was there is now listed
  capture.Take();
  void *made = qalloc(10, "report.cpp", 7, QALLOC_OBJECT);
  void *other = qcalloc(20, "report.cpp", 8);
  qmem_report(QMEM_REPORT_NEW);
  std::string report = capture.Take();
  EXPECT_EQ(report.rfind("### Kiln Memory Report ###\nNumber of allocations: ", 0), 0u) << report;
  EXPECT_NE(report.find("(New) allocations:\n"), std::string::npos);
  EXPECT_NE(report.find("report.cpp(8): qcalloc(20) at 0x"), std::string::npos);
  EXPECT_NE(report.find(" [#0]\n"), std::string::npos);
  EXPECT_NE(report.find("report.cpp(7): new(10) at 0x"), std::string::npos);
  EXPECT_NE(report.find(" [#1]\n"), std::string::npos);
  EXPECT_NE(report.find("Totalling 2 new allocations.\n"), std::string::npos);
  EXPECT_NE(report.find("############################################\n"), std::string::npos);

  qmem_report(QMEM_REPORT_NEW);
  report = capture.Take();
  EXPECT_NE(report.find("Totalling 0 new allocations.\n"), std::string::npos);
  EXPECT_EQ(Count(report, "report.cpp("), 0);

  qmem_report(QMEM_REPORT_ALL);
  report = capture.Take();
  EXPECT_NE(report.find("All allocations:\n"), std::string::npos);
  EXPECT_EQ(Count(report, "report.cpp(8): qcalloc(20) at 0x"), 1);
  EXPECT_EQ(Count(report, " [#"), 0);

  static_cast<char *>(other)[20] = 0;
  qmem_report(0);  // only damage is printed, and the final check repeats it
  report = capture.Take();
  EXPECT_EQ(Count(report, "Bytes trashed behind end of allocation!"), 2);
  static_cast<char *>(other)[20] = 'T';
  qfree(made);
  qfree(other);
}

TEST(MemoryReport, WithoutBlocksSaysSo) {
  MessageCapture capture;
  if (qmem_count() != 0) GTEST_SKIP() << "blocks of other tests are live";
  qmem_report(QMEM_REPORT_ALL);
  EXPECT_EQ(capture.Take(), "### Kiln Memory Report - no allocations ###\n");
}

}  // namespace
