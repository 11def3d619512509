// Runs the real kiln-ar program.
#include <gtest/gtest.h>

#include <kiln/qarchive.h>
#include <kiln/qdebug.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "test_support.h"

using kiln::test::ListTree;
using kiln::test::ProcessResult;
using kiln::test::ReadFile;
using kiln::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

class KilnArTest : public ::testing::Test {
protected:
  ProcessResult Run(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_AR_PATH, args, dir.path()); }

  TempDir dir;
};

TEST_F(KilnArTest, CreateListExtractAndPrint) {
  std::string binary(70000, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 % 251);
  dir.WriteFile("src/notes.txt", "first line\nsecond line\n");
  dir.WriteFile("src/deep/data.bin", binary);
  dir.WriteFile("src/empty", "");
  ProcessResult run = Run({"c", "files.ar", "src/notes.txt", "src/deep/data.bin", "src/empty"});
  ASSERT_EQ(run.status, 0) << run.err;
  run = Run({"t", "files.ar"});
  EXPECT_EQ(run.out, "src/notes.txt\nsrc/deep/data.bin\nsrc/empty\n");
  run = Run({"t", "-v", "files.ar"});
  EXPECT_EQ(run.out, "        23 src/notes.txt\n     70000 src/deep/data.bin\n         0 src/empty\n");
  dir.MakeDir("out");
  run = Run({"x", "files.ar", "-C", "out"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ListTree(dir.Path("out")), (Texts{"src/", "src/deep/", "src/deep/data.bin", "src/empty", "src/notes.txt"}));
  EXPECT_EQ(ReadFile(dir.Path("out/src/deep/data.bin")), binary);
  run = Run({"p", "files.ar", "src/notes.txt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "first line\nsecond line\n");
  EXPECT_FALSE(kiln::test::Exists(dir.Path("QLOG.txt")));
}

TEST_F(KilnArTest, AddToAnArchiveAndExtractNamedEntries) {
  dir.WriteFile("a", "A");
  dir.WriteFile("b", "B");
  ASSERT_EQ(Run({"c", "x.ar", "a"}).status, 0);
  ASSERT_EQ(Run({"r", "x.ar", "b"}).status, 0);
  EXPECT_EQ(Run({"t", "x.ar"}).out, "a\nb\n");
  dir.MakeDir("out");
  ProcessResult run = Run({"x", "x.ar", "b", "-C", "out"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ListTree(dir.Path("out")), Texts{"b"});
  run = Run({"x", "x.ar", "missing", "-C", "out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kiln-ar: 'missing' is not in the archive\n");
  run = Run({"r", "x.ar", "not-there"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Run({"t", "x.ar"}).out, "a\nb\n");  // nothing recorded for it
}

TEST_F(KilnArTest, NamesThatWouldLeaveTheTargetAreSkipped) {
  dir.WriteFile("payload", "evil");
  dir.WriteFile("fine", "ok");
  {
    qerr_set_callback([](const char *) {});
    QArchive archive(dir.Path("hostile.ar").c_str(), AR_CREATE);
    for (const char *name : {"../escaped", "/tmp/kiln-absolute-escape", "a/../../escaped2", "..", "link/through"}) {
      archive.AddFile(dir.Path("payload").c_str(), name);
    }
    archive.AddFile(dir.Path("fine").c_str(), "./sub//fine");
    qerr_set_callback(nullptr);
  }
  dir.MakeDir("target");
  ASSERT_EQ(symlink("..", dir.Path("target/link").c_str()), 0);
  ProcessResult run = Run({"x", "hostile.ar", "-C", "target"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("skipping '../escaped'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("skipping '/tmp/kiln-absolute-escape'"), std::string::npos);
  EXPECT_NE(run.err.find("can't write 'link/through'"), std::string::npos);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("escaped")));
  EXPECT_FALSE(kiln::test::Exists(dir.Path("escaped2")));
  EXPECT_FALSE(kiln::test::Exists(dir.Path("through")));
  EXPECT_FALSE(kiln::test::Exists("/tmp/kiln-absolute-escape"));
  EXPECT_EQ(ReadFile(dir.Path("target/sub/fine")), "ok");
}

// Three chunks of text; the first entry's data start after "AR01" and 'D'.
std::string ThreeChunks() {
  std::string text;
  while (text.size() < 40000) text += "entries are decoded a chunk at a time. ";
  return text;
}

TEST_F(KilnArTest, FailureMidwayLeavesNoPartialFile) {
  dir.WriteFile("big", ThreeChunks());
  ASSERT_EQ(Run({"c", "good.ar", "big"}).status, 0);
  std::string archive = ReadFile(dir.Path("good.ar"));
  const std::size_t second = 5 + 2 + (static_cast<uint8_t>(archive[5]) | static_cast<uint8_t>(archive[6]) << 8);
  archive[second] = archive[second + 1] = '\xFF';  // a second chunk beyond the limit
  dir.WriteFile("bad.ar", archive);
  dir.MakeDir("out");
  ProcessResult run = Run({"x", "bad.ar", "-C", "out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "** Error: QArchive: attempt to read decompress chunk of size 65535 (max 20000)\n"
                     "kiln-ar: can't read entry 'big'\n");
  EXPECT_TRUE(ListTree(dir.Path("out")).empty());
  run = Run({"p", "bad.ar", "big"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, ThreeChunks().substr(0, 16384));

  // A disk that fills up: nothing stays, not even the temporary file.
  kiln::test::SmallFileSystem small(dir.Path("small"), "16k");
  if (!small.IsMounted()) GTEST_SKIP() << "needs root to mount a small file system";
  run = Run({"x", "good.ar", "-C", "small"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kiln-ar: can't write 'big' below 'small': No space left on device\n");
  EXPECT_TRUE(ListTree(small.path()).empty());
}

TEST_F(KilnArTest, DamagedArchivesAndBadUsage) {
  dir.WriteFile("not.ar", "this is no archive");
  ProcessResult run = Run({"t", "not.ar"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kiln-ar: 'not.ar' is no readable archive\n");
  run = Run({"x", "missing.ar"});
  EXPECT_EQ(run.status, 1);
  run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("kiln-ar x ARCHIVE [NAME...] [-C DIR]"), std::string::npos);
  EXPECT_EQ(Run({}).status, 2);
  EXPECT_EQ(Run({"c", "only.ar"}).status, 2);
  EXPECT_EQ(Run({"q", "a.ar", "b"}).status, 2);
}

}  // namespace
