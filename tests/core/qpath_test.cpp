// Looking files up along search paths, on real files.
#include <gtest/gtest.h>

#include <kiln/qpath.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

class QPathTest : public ::testing::Test {
protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() / ("qpath-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "first");
    std::filesystem::create_directories(root / "second");
    Touch(root / "second" / "model.dof");
    Touch(root / "first" / "both.tga");
    Touch(root / "second" / "both.tga");
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  static void Touch(const std::filesystem::path &file) {
    std::FILE *out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
  }
  std::string In(const char *directory) const { return (root / directory).string(); }

  std::filesystem::path root;
};

TEST_F(QPathTest, FindsTheFirstPathThatHoldsTheFile) {
  QPath path;
  EXPECT_STREQ(path.Find("model.dof"), "model.dof");  // no paths: the name
  ASSERT_TRUE(path.Add(In("first").c_str()));
  ASSERT_TRUE(path.Add(In("second").c_str()));
  EXPECT_EQ(std::string(path.Find("model.dof")), In("second") + "/model.dof");
  EXPECT_EQ(std::string(path.Find("both.tga")), In("first") + "/both.tga");
  EXPECT_STREQ(path.Find("missing.tga"), "missing.tga");

  qstring result;
  EXPECT_TRUE(path.Find("model.dof", result));
  EXPECT_EQ(std::string(result.CStr()), In("second") + "/model.dof");
  EXPECT_FALSE(path.Find("missing.tga", result));
  EXPECT_STREQ(result.CStr(), "missing.tga");

  // Names far longer than any fixed buffer.
  std::string longName(5000, 'n');
  EXPECT_EQ(std::string(path.Find(longName.c_str())), longName);
}

TEST_F(QPathTest, HoldsTwentyPaths) {
  QPath path;
  EXPECT_STREQ(path.ClassName(), "QPath");
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(path.Add(("dir" + std::to_string(i)).c_str()));
  MessageCapture capture;
  EXPECT_FALSE(path.Add("one more"));
  EXPECT_EQ(capture.Take(), "QPath:Add(); maximum (20) reached\n");
  EXPECT_STREQ(path.GetPath(19), "dir19");
  EXPECT_EQ(path.GetPath(20), nullptr);
  EXPECT_EQ(path.GetPath(-1), nullptr);
  EXPECT_EQ(capture.Take(), "QPath:GetPath(20) out of range\nQPath:GetPath(-1) out of range\n");
  path.Clear();
  EXPECT_EQ(path.GetCount(), 0);
  EXPECT_TRUE(path.Add("again"));
}

}  // namespace
