// Runs the real tindle program on real trees.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

using kiln::test::ListTree;
using kiln::test::ProcessResult;
using kiln::test::ReadFile;
using kiln::test::SplitLines;
using kiln::test::TempDir;

namespace {

constexpr const char *kStartLine = "--- application start ---";

class TindleTest : public ::testing::Test {
protected:
  // Runs tindle in the work directory (where its log goes) and checks the
  // frame every run has: start line, banner, and the summary when a
  // directory was given.
  void Run(const std::vector<std::string> &args, int uid = -1) {
    std::string program = TINDLE_PATH;
    if (uid >= 0) {
      // The build may lie where the other user can't reach: run a copy.
      program = work.Path("tindle-copy");
      std::string copy = "cp '" + std::string(TINDLE_PATH) + "' '" + program + "'";
      ASSERT_EQ(std::system(copy.c_str()), 0);
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    result = kiln::test::RunProgram(argv, work.path(), uid);
    lines = SplitLines(result.err);
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_GE(lines.size(), 3u) << result.err;
    EXPECT_EQ(lines[0], kStartLine);
    EXPECT_EQ(lines[1].rfind("Tindle v1.0", 0), 0u) << lines[1];
    body.assign(lines.begin() + 2, lines.end() - 1);
  }

  int Count() const {
    std::smatch match;
    static const std::regex summary("(-?[0-9]+) files tindled\\.");
    if (!std::regex_match(lines.back(), match, summary)) return -1;
    return std::atoi(match[1].str().c_str());
  }

  std::vector<std::string> Lines(const std::string &prefix) const {
    std::vector<std::string> found;
    for (const std::string &line : body) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line);
    }
    return found;
  }

  std::vector<std::string> Visits() const {
    std::vector<std::string> visits;
    for (const std::string &line : body) {
      if (line.size() > 3 && line.compare(line.size() - 3, 3, "...") == 0 && line[0] != ' ')
        visits.push_back(line.substr(0, line.size() - 3));
    }
    std::sort(visits.begin(), visits.end());
    return visits;
  }

  TempDir work;
  ProcessResult result;
  std::vector<std::string> lines;
  std::vector<std::string> body;  // between banner and summary
};

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  return items;
}

// Checks that the visits form a depth-first walk: every entry is visited in
// the directory whose walk is still open, and a directory's walk, once left,
// never resumes.
void ExpectDepthFirst(const std::vector<std::string> &body, const std::string &top) {
  std::vector<std::string> open{top};
  std::string lastEntry;
  for (const std::string &line : body) {
    if (line.rfind("  renaming to ", 0) == 0) {
      lastEntry = line.substr(14, line.size() - 15);
      continue;
    }
    if (line.size() < 4 || line.compare(line.size() - 3, 3, "...") != 0) continue;
    std::string path = line.substr(0, line.size() - 3);
    std::string directory = path.substr(0, path.rfind('/'));
    // A directory visited just before may now be walked.
    if (!lastEntry.empty() && directory == lastEntry) open.push_back(lastEntry);
    while (!open.empty() && open.back() != directory) open.pop_back();
    ASSERT_FALSE(open.empty()) << "visit outside the open walk: " << line;
    lastEntry = path;
  }
}

TEST_F(TindleTest, WithoutArgumentPrintsUsageAndLogsStart) {
  std::vector<std::string> argv{TINDLE_PATH};
  result = kiln::test::RunProgram(argv, work.path());
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  std::vector<std::string> err = SplitLines(result.err);
  ASSERT_EQ(err.size(), 3u) << result.err;
  EXPECT_EQ(err[0], kStartLine);
  EXPECT_EQ(err[1].rfind("Tindle v1.0", 0), 0u);
  EXPECT_EQ(err[2], "Usage: tindle <dir>");
  EXPECT_EQ(result.err.back(), '\n');

  std::vector<std::string> log = SplitLines(ReadFile(work.Path("QLOG.txt")));
  ASSERT_EQ(log.size(), 1u);
  std::regex line(
      "(Mon|Tue|Wed|Thu|Fri|Sat|Sun) [A-Z][a-z]{2} [0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} "
      "\\(INFO \\): \\[noqapp/[0-9]+\\] --- application start ---");
  EXPECT_TRUE(std::regex_match(log[0], line)) << log[0];
}

TEST_F(TindleTest, LowerCaseTreeIsListedAndLeftAlone) {
  work.WriteFile("top/a/b/c.txt", "c");
  work.WriteFile("top/a/d", "d");
  work.WriteFile("top/.hidden", "h");
  work.WriteFile("top/e", "e");
  work.MakeDir("top/empty");
  std::vector<std::string> before = ListTree(work.Path("top"));
  Run({"top"});
  EXPECT_EQ(Visits(), Sorted({"top/a", "top/a/b", "top/a/b/c.txt", "top/a/d", "top/.hidden", "top/e",
                              "top/empty"}));
  EXPECT_TRUE(Lines("  renaming").empty());
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(ListTree(work.Path("top")), before);
  ExpectDepthFirst(body, "top");
}

TEST_F(TindleTest, ChainIsRenamedTopDownAndListedUnderNewNames) {
  work.WriteFile("top/ONE/TWO/File", "x");
  Run({"top"});
  EXPECT_EQ(body, (std::vector<std::string>{"top/ONE...", "  renaming to top/one.", "top/one/TWO...",
                                            "  renaming to top/one/two.", "top/one/two/File...",
                                            "  renaming to top/one/two/file."}));
  EXPECT_EQ(lines.back(), "3 files tindled.");
  EXPECT_EQ(ListTree(work.Path("top")), (std::vector<std::string>{"one/", "one/two/", "one/two/file"}));
  EXPECT_EQ(ReadFile(work.Path("top/one/two/file")), "x");
}

TEST_F(TindleTest, MixedTreeCountsFilesAndDirectoriesAlike) {
  work.WriteFile("top/ABC/Def/ReadMe.TXT", "r");
  work.WriteFile("top/ABC/plain", "p");
  work.WriteFile("top/MiXeD.Txt", "m");
  work.WriteFile("top/.Hidden", "h");
  work.WriteFile("top/\xc3\x84" "Bc", "a");  // bytes above 0x7F stay as they are
  work.WriteFile("top/lower", "l");
  Run({"top"});
  EXPECT_EQ(Count(), 6);
  EXPECT_EQ(ListTree(work.Path("top")),
            Sorted({".hidden", "abc/", "abc/def/", "abc/def/readme.txt", "abc/plain", "mixed.txt",
                    "\xc3\x84" "bc", "lower"}));
  EXPECT_EQ(Sorted(Lines("  renaming to ")),
            Sorted({"  renaming to top/abc.", "  renaming to top/abc/def.", "  renaming to top/abc/def/readme.txt.",
                    "  renaming to top/mixed.txt.", "  renaming to top/.hidden.",
                    "  renaming to top/\xc3\x84" "bc."}));
  // Each rename line follows the visit of its entry.
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i].rfind("  renaming to ", 0) == 0) {
      ASSERT_GT(i, 0u);
      EXPECT_EQ(body[i - 1].substr(body[i - 1].size() - 3), "...");
    }
  }
  EXPECT_EQ(Visits(), Sorted({"top/ABC", "top/abc/Def", "top/abc/def/ReadMe.TXT", "top/abc/plain",
                              "top/MiXeD.Txt", "top/.Hidden", "top/\xc3\x84" "Bc", "top/lower"}));
  ExpectDepthFirst(body, "top");
}

TEST_F(TindleTest, TrailingSlashStaysInEveryPath) {
  work.WriteFile("top/X", "x");
  Run({"top/"});
  EXPECT_EQ(body, (std::vector<std::string>{"top//X...", "  renaming to top//x."}));
  EXPECT_EQ(Count(), 1);
}

TEST_F(TindleTest, UnreadableTopCountsZero) {
  work.WriteFile("plain-file", "x");
  for (const char *top : {"missing", "plain-file"}) {
    Run({top});
    EXPECT_TRUE(body.empty()) << top;
    EXPECT_EQ(lines.back(), "0 files tindled.");
  }
}

TEST_F(TindleTest, OnlyFirstArgumentIsUsed) {
  work.WriteFile("first/A", "");
  work.WriteFile("second/B", "");
  Run({"first", "second"});
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(kiln::test::Exists(work.Path("second/B")));
}

TEST_F(TindleTest, PercentSignsInNamesArePrintedLiterally) {
  work.WriteFile("top/100%sDone%n", "");
  Run({"top"});
  EXPECT_EQ(body, (std::vector<std::string>{"top/100%sDone%n...", "  renaming to top/100%sdone%n."}));
}

TEST_F(TindleTest, ExistingLowerCaseEntryIsNeverReplaced) {
  work.WriteFile("top/A", "upper");
  work.WriteFile("top/a", "lower");
  work.WriteFile("top/Sub/Inner", "inner");
  work.WriteFile("top/sub/other", "other");
  Run({"top"});
  EXPECT_EQ(ReadFile(work.Path("top/A")), "upper");
  EXPECT_EQ(ReadFile(work.Path("top/a")), "lower");
  std::vector<std::string> warnings = Lines("tindle: ");
  EXPECT_EQ(Sorted(warnings), Sorted({"tindle: not renaming top/A: top/a already exists",
                                      "tindle: not renaming top/Sub: top/sub already exists"}));
  // Sub is walked under its old name; only Inner is renamed.
  EXPECT_EQ(Lines("top/Sub/"), (std::vector<std::string>{"top/Sub/Inner..."}));
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(ReadFile(work.Path("top/Sub/inner")), "inner");
  EXPECT_EQ(ReadFile(work.Path("top/sub/other")), "other");
  // The warnings also reach the level log.
  EXPECT_NE(ReadFile(work.Path("QLOG.txt")).find("(WARN ): [noqapp/"), std::string::npos);
}

TEST_F(TindleTest, OwnLogBesideOlderLowerCaseLogIsKept) {
  work.WriteFile("qlog.txt", "older log\n");
  Run({"."});
  EXPECT_EQ(ReadFile(work.Path("qlog.txt")), "older log\n");
  EXPECT_EQ(Lines("tindle: "), (std::vector<std::string>{"tindle: not renaming ./QLOG.txt: ./qlog.txt already exists"}));
  EXPECT_EQ(Count(), 0);
}

TEST_F(TindleTest, HardLinksAreTwoEntriesAndBothStay) {
  work.WriteFile("top/B", "same");
  ASSERT_EQ(link(work.Path("top/B").c_str(), work.Path("top/b").c_str()), 0);
  Run({"top"});
  EXPECT_EQ(Lines("tindle: "), (std::vector<std::string>{"tindle: not renaming top/B: top/b already exists"}));
  EXPECT_EQ(ListTree(work.Path("top")), (std::vector<std::string>{"B", "b"}));
  EXPECT_EQ(Count(), 0);
}

TEST_F(TindleTest, FailedRenameIsReportedNotCountedAndWalkedUnderOldName) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run tindle as another user";
  work.WriteFile("top/Locked/Inner", "i");
  work.WriteFile("top/open/File", "f");
  chmod(work.Path("top").c_str(), 0755);
  chmod(work.Path("top/open").c_str(), 0777);
  Run({"top"}, 65534);
  EXPECT_EQ(Lines("tindle: "), (std::vector<std::string>{"tindle: can't rename top/Locked to top/locked: Permission denied",
                                                         "tindle: can't rename top/Locked/Inner to top/Locked/inner: Permission denied"}));
  EXPECT_EQ(Count(), 1);
  EXPECT_TRUE(kiln::test::Exists(work.Path("top/open/file")));
  EXPECT_TRUE(kiln::test::Exists(work.Path("top/Locked/Inner")));
}

TEST_F(TindleTest, SymbolicLinkToDirectoryIsWalked) {
  work.WriteFile("outside/Data/File.TXT", "d");
  work.MakeDir("top");
  ASSERT_EQ(symlink("../outside/Data", work.Path("top/Link").c_str()), 0);
  Run({"top"});
  EXPECT_EQ(body, (std::vector<std::string>{"top/Link...", "  renaming to top/link.", "top/link/File.TXT...",
                                            "  renaming to top/link/file.txt."}));
  EXPECT_EQ(ReadFile(work.Path("outside/Data/file.txt")), "d");
  EXPECT_EQ(Count(), 2);
}

TEST_F(TindleTest, LinksBackUpTheWalkDoNotLoop) {
  work.WriteFile("top/sub/File", "f");
  ASSERT_EQ(symlink("..", work.Path("top/sub/back").c_str()), 0);
  ASSERT_EQ(symlink(".", work.Path("top/self").c_str()), 0);
  Run({"top"});
  EXPECT_EQ(Sorted(Lines("tindle: ")), Sorted({"tindle: not walking top/sub/back: it leads back to a directory above it",
                                               "tindle: not walking top/self: it leads back to a directory above it"}));
  EXPECT_EQ(Visits(), Sorted({"top/sub", "top/sub/File", "top/sub/back", "top/self"}));
  EXPECT_EQ(Count(), 1);
}

TEST_F(TindleTest, DanglingLinkIsRenamedLikeAFile) {
  work.MakeDir("top");
  ASSERT_EQ(symlink("nowhere", work.Path("top/Dangle").c_str()), 0);
  Run({"top"});
  EXPECT_EQ(body, (std::vector<std::string>{"top/Dangle...", "  renaming to top/dangle."}));
  EXPECT_EQ(Count(), 1);
}

TEST_F(TindleTest, PathsTooLongForTheBuffersAreSkippedWithAWarning) {
  // top + four levels of 200 characters + one of 200: a 1008-character
  // directory path; a 26-character name below it no longer fits.
  std::string directory = "top";
  for (int level = 0; level < 5; ++level) directory += "/" + std::string(200, static_cast<char>('a' + level));
  ASSERT_EQ(directory.size(), 1008u);
  std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  work.WriteFile(directory + "/" + longName, "long");
  work.WriteFile(directory + "/ok", "short");
  Run({"top"});
  EXPECT_EQ(Lines("tindle: "), (std::vector<std::string>{"tindle: skipping " + directory + "/" + longName + ": path too long"}));
  EXPECT_EQ(ReadFile(work.Path(directory + "/" + longName)), "long");
  EXPECT_EQ(Count(), 0);
  std::vector<std::string> visits = Visits();
  EXPECT_NE(std::find(visits.begin(), visits.end(), directory + "/ok"), visits.end());
}

TEST_F(TindleTest, EveryLineOfALargeTreeArrives) {
  for (int i = 0; i < 300; ++i) work.WriteFile("top/Dir" + std::to_string(i % 10) + "/F" + std::to_string(i), "");
  Run({"top"});
  EXPECT_EQ(Count(), 310);
  EXPECT_EQ(Visits().size(), 310u);
  EXPECT_EQ(Lines("  renaming to ").size(), 310u);
  EXPECT_EQ(body.size(), 620u);
  ExpectDepthFirst(body, "top");
}

// Needs a kernel with case-folding ext4; skipped where there is none.
TEST_F(TindleTest, CaseInsensitiveFileSystemStillRenames) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount";
  std::string image = work.Path("casefold.img");
  std::string mountPoint = work.Path("mnt");
  work.MakeDir("mnt");
  std::string make = "truncate -s 8M " + image + " && mkfs.ext4 -q -O casefold " + image + " >/dev/null 2>&1 && mount -o loop " +
                     image + " " + mountPoint + " 2>/dev/null";
  kiln::test::MountedAt mounted;
  if (std::system(make.c_str()) != 0) GTEST_SKIP() << "no case-folding file system here";
  mounted.Take(mountPoint);
  std::string folded = mountPoint + "/folded";
  mkdir(folded.c_str(), 0777);
  bool ready = std::system(("chattr +F " + folded + " 2>/dev/null").c_str()) == 0;
  if (ready) {
    FILE *file = std::fopen((folded + "/NAME").c_str(), "w");
    if (file) std::fclose(file);
    Run({"mnt/folded"});
    EXPECT_TRUE(Lines("tindle: ").empty()) << result.err;
    EXPECT_EQ(ListTree(folded), (std::vector<std::string>{"name"}));
    EXPECT_EQ(Count(), 1);
  }
  if (!ready) GTEST_SKIP() << "case folding not supported";
}

}  // namespace
