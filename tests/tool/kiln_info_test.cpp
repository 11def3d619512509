// Runs the real kiln-info program on configuration files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

class KilnInfoTest : public ::testing::Test {
protected:
  ProcessResult Run(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_INFO_PATH, args, dir.path()); }

  TempDir dir;
};

TEST_F(KilnInfoTest, GetPrintsValuesAndFailsOnMissingOnes) {
  dir.WriteFile("app.ini", "video\n{\n  width= 640\n}\n");
  ProcessResult run = Run({"get", "app.ini", "video.width"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, " 640\n");
  run = Run({"get", "app.ini", "video.height"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kiln-info: video.height: not found in 'app.ini'\n");
  run = Run({"get", "missing.ini", "a"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kiln-info: can't read 'missing.ini'\n");
  // A tool leaves no log file behind.
  EXPECT_FALSE(kiln::test::Exists(dir.Path("QLOG.txt")));
}

TEST_F(KilnInfoTest, SetWritesTheFileBack) {
  dir.WriteFile("app.ini", "; settings\nvideo\n{\n  width=640\n}\n");
  ProcessResult run = Run({"set", "app.ini", "video.height", "480"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(dir.Path("app.ini")), "; settings\nvideo\n{\n  width=640\n  height=480\n}\n");
  run = Run({"set", "new.ini", "a.b", "1"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFile(dir.Path("new.ini")), "a\n{\n  b=1\n}\n");
  run = Run({"set", "app.ini", "video", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("kiln-info: can't set 'video'"), std::string::npos);
  run = Run({"set", "app.ini", "a", "two\nlines"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(ReadFile(dir.Path("app.ini")), "; settings\nvideo\n{\n  width=640\n  height=480\n}\n");
}

TEST_F(KilnInfoTest, DumpPrintsTheWrittenForm) {
  dir.WriteFile("app.ini", "a = 1\nt\n  {\nb=2\n     }\n");
  ProcessResult run = Run({"dump", "app.ini"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "a= 1\nt\n{\n  b=2\n}\n");
  EXPECT_EQ(ReadFile(dir.Path("app.ini")), "a = 1\nt\n  {\nb=2\n     }\n");  // untouched
}

TEST_F(KilnInfoTest, CheckReportsEveryWarning) {
  dir.WriteFile("good.ini", "a=1\n");
  ProcessResult run = Run({"check", "good.ini"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "good.ini: no warnings\n");
  dir.WriteFile("bad.ini", "= {\nx~nothing\n");
  run = Run({"check", "bad.ini"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "QInfo: assign without symbol\n"
            "QInfo: { without groupname\n"
            "QInfo(bad.ini): reference (~) to unknown tree 'nothing'\n");
  run = Run({"check", "missing.ini"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "QInfo: can't open 'missing.ini'\n");
}

TEST_F(KilnInfoTest, UsageAndHelp) {
  ProcessResult run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("usage: kiln-info get FILE PATH"), std::string::npos);
  run = Run({});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("usage:"), std::string::npos);
  run = Run({"get", "only-one-argument"});
  EXPECT_EQ(run.status, 2);
}

}  // namespace
