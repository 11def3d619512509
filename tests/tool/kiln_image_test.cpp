// Runs the real kiln-image program.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

class KilnImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (access("/usr/bin/convert", X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed";
    std::string make = "cd '" + dir.path() +
                       "' && /usr/bin/convert -size 40x30 gradient:red-blue -alpha set -channel A "
                       "-evaluate set 50% +channel -depth 8 -compress None sgi:in.rgb";
    ASSERT_EQ(std::system(make.c_str()), 0);
  }
  ProcessResult Run(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_IMAGE_PATH, args, dir.path()); }

  TempDir dir;
};

TEST_F(KilnImageTest, InfoTellsSizeAndTransparency) {
  ProcessResult run = Run({"info", "in.rgb"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "in.rgb: 40 x 30, transparency: yes\n");
  EXPECT_FALSE(kiln::test::Exists(dir.Path("QLOG.txt")));
}

TEST_F(KilnImageTest, ConvertsToEveryWrittenFormat) {
  EXPECT_EQ(Run({"convert", "in.rgb", "out.tga"}).status, 0);
  EXPECT_EQ(Run({"info", "out.tga"}).out, "out.tga: 40 x 30, transparency: yes\n");
  EXPECT_EQ(Run({"convert", "out.tga", "out.jpg", "--quality", "30"}).status, 0);
  EXPECT_EQ(Run({"info", "out.jpg"}).out, "out.jpg: 40 x 30, transparency: no\n");
  EXPECT_EQ(Run({"convert", "out.jpg", "back.sgi"}).status, 0);
  std::string sgi = ReadFile(dir.Path("back.sgi"));
  EXPECT_EQ(sgi.substr(0, 2), "\xDA\x01");
  EXPECT_EQ(Run({"convert", "in.rgb", "grey.tga", "--gray"}).status, 0);
  std::string grey = ReadFile(dir.Path("grey.tga"));
  EXPECT_EQ(grey[2], 3);  // a grey Targa
  EXPECT_EQ(grey.size(), 18u + 40 * 30);
  // Quality changes the size of a JPEG.
  EXPECT_EQ(Run({"convert", "in.rgb", "fine.jpg", "--quality", "95"}).status, 0);
  EXPECT_GT(ReadFile(dir.Path("fine.jpg")).size(), ReadFile(dir.Path("out.jpg")).size());
}

TEST_F(KilnImageTest, FailuresAndUsage) {
  ProcessResult run = Run({"convert", "missing.tga", "x.tga"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("kiln-image: can't read 'missing.tga'"), std::string::npos);
  run = Run({"convert", "in.rgb", "x.png"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("can't write 'x.png'"), std::string::npos);
  run = Run({"convert", "in.rgb", "no/such/dir/x.tga"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Run({"convert", "in.rgb", "x.jpg", "--quality", "0"}).status, 1);
  EXPECT_EQ(Run({"--help"}).status, 0);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"info"}).status, 2);
}

}  // namespace
