// Listing directories and reading the status of their entries.
#include <gtest/gtest.h>

#include <kiln/qdirectory.h>

#include <unistd.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

using kiln::test::TempDir;

namespace {

std::map<std::string, QDirInfo> ReadAll(QDirectory &directory) {
  std::map<std::string, QDirInfo> entries;
  char name[256];
  QDirInfo info;
  while (directory.ReadNext(name, &info)) entries[name] = info;
  return entries;
}

TEST(QDirectoryReading, ListsEveryEntryWithSizeAndKind) {
  TempDir dir;
  dir.WriteFile("file.txt", "12345");
  dir.MakeDir("sub");
  dir.WriteFile(".hidden", "");
  ASSERT_EQ(symlink("sub", dir.Path("link-to-dir").c_str()), 0);
  ASSERT_EQ(symlink("file.txt", dir.Path("link-to-file").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", dir.Path("dangling").c_str()), 0);

  QDirectory directory(dir.path().c_str());
  ASSERT_TRUE(directory.IsOpen());
  auto entries = ReadAll(directory);
  std::vector<std::string> names;
  for (const auto &entry : entries) names.push_back(entry.first);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", ".hidden", "dangling", "file.txt", "link-to-dir",
                                             "link-to-file", "sub"}));
  EXPECT_EQ(entries["file.txt"].size, 5);
  EXPECT_FALSE(entries["file.txt"].isDir);
  EXPECT_TRUE(entries["sub"].isDir);
  EXPECT_TRUE(entries["."].isDir);
  EXPECT_TRUE(entries["link-to-dir"].isDir);
  EXPECT_EQ(entries["link-to-dir"].inode, entries["sub"].inode);
  EXPECT_EQ(entries["link-to-file"].size, 5);
  EXPECT_EQ(entries["dangling"].size, 0);
  EXPECT_FALSE(entries["dangling"].isDir);
  EXPECT_EQ(entries["dangling"].inode, 0u);
  // Exhausted: stays so.
  char name[256];
  EXPECT_FALSE(directory.ReadNext(name, nullptr));
}

TEST(QDirectoryReading, UnopenedDirectoryYieldsNothing) {
  QDirectory missing("/nonexistent/kiln");
  EXPECT_FALSE(missing.IsOpen());
  char name[256] = "untouched";
  EXPECT_FALSE(missing.ReadNext(name, nullptr));
  EXPECT_STREQ(name, "untouched");

  TempDir dir;
  dir.WriteFile("a-file", "x");
  QDirectory notADirectory(dir.Path("a-file").c_str());
  EXPECT_FALSE(notADirectory.IsOpen());
}

TEST(QDirectoryReading, OpenSwitchesToAnotherDirectory) {
  TempDir first, second;
  first.WriteFile("in-first", "");
  second.WriteFile("in-second", "");
  QDirectory directory(first.path().c_str());
  char name[256];
  ASSERT_TRUE(directory.ReadNext(name, nullptr));
  EXPECT_TRUE(directory.Open(second.path().c_str()));
  auto entries = ReadAll(directory);
  EXPECT_EQ(entries.count("in-second"), 1u);
  EXPECT_EQ(entries.count("in-first"), 0u);
  EXPECT_FALSE(directory.Open("/nonexistent/kiln"));
  EXPECT_FALSE(directory.IsOpen());
  EXPECT_FALSE(directory.ReadNext(name, nullptr));
  EXPECT_FALSE(directory.Open(nullptr));
}

TEST(QDirectoryReading, GetInfoOfAnyPath) {
  TempDir dir;
  dir.WriteFile("data", std::string(1000, 'd'));
  QDirInfo info;
  ASSERT_TRUE(QDirectory::GetInfo(dir.Path("data").c_str(), &info));
  EXPECT_EQ(info.size, 1000);
  EXPECT_FALSE(info.isDir);
  ASSERT_TRUE(QDirectory::GetInfo(dir.path().c_str(), &info));
  EXPECT_TRUE(info.isDir);
  EXPECT_FALSE(QDirectory::GetInfo(dir.Path("missing").c_str(), &info));
  EXPECT_EQ(info.size, 0);
  EXPECT_FALSE(info.isDir);
}

}  // namespace

namespace {

TEST(QDirectoryReading, EntryKindAndStatusWithoutJoiningPaths) {
  TempDir dir;
  dir.WriteFile("file", "abc");
  dir.MakeDir("sub");
  ASSERT_EQ(symlink("sub", dir.Path("link").c_str()), 0);
  QDirectory directory(dir.path().c_str());
  std::map<std::string, QDirectory::EntryKind> kinds;
  char name[256];
  while (directory.ReadNext(name, nullptr)) kinds[name] = directory.LastEntryKind();
  // The stream may not tell (kUnknown); when it does, it must be right.
  EXPECT_NE(kinds["file"], QDirectory::EntryKind::kDirectory);
  EXPECT_NE(kinds["sub"], QDirectory::EntryKind::kOther);
  EXPECT_EQ(kinds["link"], QDirectory::EntryKind::kUnknown);

  QDirInfo info;
  EXPECT_TRUE(directory.GetEntryInfo("file", &info));
  EXPECT_EQ(info.size, 3);
  EXPECT_TRUE(directory.GetEntryInfo("link", &info));
  EXPECT_TRUE(info.isDir);
  EXPECT_FALSE(directory.GetEntryInfo("missing", &info));
  EXPECT_EQ(info.inode, 0u);

  QDirectory closed("/nonexistent/kiln");
  EXPECT_FALSE(closed.GetEntryInfo("file", &info));
}

}  // namespace
