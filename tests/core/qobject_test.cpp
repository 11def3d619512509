// Names, class names and debug prints of library objects.
#include <gtest/gtest.h>

#include <kiln/qdebug.h>
#include <kiln/qdirectory.h>

#include <cstdio>
#include <regex>
#include <string>

#include "diag_capture.h"

namespace {

void PrintCallback(const char *text) { std::printf("%s", text); }

TEST(QObjectName, DefaultsAndCopies) {
  QDirectory object("/nonexistent");
  EXPECT_STREQ(object.GetName(), "<unnamed_QObject>");
  char name[] = "first";
  const char *stored = object.SetName(name);
  name[0] = 'F';  // the object keeps its own copy
  EXPECT_STREQ(object.GetName(), "first");
  EXPECT_EQ(stored, object.GetName());
  EXPECT_STREQ(object.SetName(nullptr), "<null-named>");
  EXPECT_STREQ(object.SetName(""), "");
  EXPECT_STREQ(object.ClassName(), "QDirectory");
}

TEST(QObjectName, DebugPrintShowsAddressNameAndClass) {
  kiln::test::TempDir dir;
  auto out = kiln::test::CaptureOutputs(dir, [] {
    qdbg_set_callback(PrintCallback);
    QDirectory unnamed(".");
    unnamed.DbgPrint();
    std::printf("|%p|", static_cast<const void *>(&unnamed));
    QDirectory named(".");
    named.SetName("scans");
    static_cast<QObject &>(named).DbgPrint();
  });
  std::smatch match;
  ASSERT_TRUE(std::regex_match(out.out, match,
                               std::regex("@(0x[0-9a-f]+) <unnamed_QObject> \\(class QDirectory\\)\n\\|(0x[0-9a-f]+)\\|"
                                          "@0x[0-9a-f]+ scans \\(class QDirectory\\)\n")))
      << out.out;
  EXPECT_EQ(match[1], match[2]);
}

TEST(QObjectReport, PrintsThatTheObjectListIsNotKept) {
  kiln::test::TempDir dir;
  auto out = kiln::test::CaptureOutputs(dir, [] {
    qdbg_set_callback(PrintCallback);
    QObject::ReportNew("after load");
    QObject::Report(nullptr);
  });
  EXPECT_EQ(out.out,
            "### New QObjects (after load) - QDBG_KEEP_OBJECT_LIST is not on in qobject ###\n"
            "### QObject report (-) - QDBG_KEEP_OBJECT_LIST is not on in qobject ###\n");
}

}  // namespace
