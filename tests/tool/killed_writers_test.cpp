// Programs that write files, killed with SIGKILL at random moments while
// they write: kiln-info set writing a configuration tree back, kiln-ar c
// making an archive over an old one and r adding to one. Afterwards the
// file holds exactly the old bytes or exactly the new ones (what a run left
// alone writes), so it can never be read as sound with wrong contents, and
// no partial archive ever stands under the target's name.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

// Bytes that compress a little, different for each seed.
std::string Content(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += "line " + std::to_string(random() % 1000) + " of " + std::to_string(seed) + "\n";
  return text;
}

// Runs the program once left alone (the new bytes, and how long it takes),
// then `kills` times killed after a random part of that time, each run
// starting from the old file. Every time the target holds the old or the
// new bytes; returns how many runs were stopped before their end.
int KillWhileWriting(const std::string &program, const std::vector<std::string> &args, const std::string &target,
                     const std::string &oldBytes, const std::function<void(const TempDir &)> &prepare, int kills,
                     std::mt19937 &random) {
  TempDir clean;
  prepare(clean);
  clean.WriteFile(target, oldBytes);
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(kiln::test::RunProgram(argv, clean.path()).status, 0);
  const long took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began).count();
  const std::string newBytes = ReadFile(clean.Path(target));
  EXPECT_NE(newBytes, oldBytes);
  int stopped = 0;
  TempDir dir;
  prepare(dir);
  for (int kill = 0; kill < kills; ++kill) {
    dir.WriteFile(target, oldBytes);
    kiln::test::BackgroundProgram running(argv, dir.path());
    std::this_thread::sleep_for(std::chrono::microseconds(random() % static_cast<unsigned long>(took + 1)));
    running.Signal(SIGKILL);
    stopped += running.Wait(5000).status == 128 + SIGKILL;
    const std::string now = ReadFile(dir.Path(target));
    if (now != oldBytes && now != newBytes) {
      ADD_FAILURE() << program << " killed left " << now.size() << " bytes under '" << target << "' (old "
                    << oldBytes.size() << ", new " << newBytes.size() << ")";
      return stopped;
    }
  }
  return stopped;
}

class KilledWriters : public ::testing::Test {
protected:
  void SetUp() override {
    seed = std::random_device{}();
    std::printf("seed %u\n", seed);
    random.seed(seed);
  }
  unsigned seed = 0;
  std::mt19937 random;
};

TEST_F(KilledWriters, KilnInfoSetLeavesTheOldTreeOrTheNew) {
  std::string tree;
  for (int section = 0; section < 400; ++section) {
    tree += "section" + std::to_string(section) + "\n{\n";
    for (int key = 0; key < 20; ++key) tree += "  key" + std::to_string(key) + "=" + Content(40, section * 20 + key).substr(0, 30) + "\n";
    tree += "}\n";
  }
  const int stopped = KillWhileWriting(KILN_INFO_PATH, {"set", "app.ini", "section7.key3", "changed"}, "app.ini", tree,
                                       [](const TempDir &) {}, 100, random);
  std::printf("kiln-info set: %d of 100 runs killed before their end\n", stopped);
  EXPECT_GT(stopped, 0) << "seed " << seed;
}

TEST_F(KilledWriters, KilnArCreateAndAddLeaveTheOldArchiveOrTheNew) {
  const auto inputs = [](const TempDir &dir) {
    for (int i = 0; i < 3; ++i) dir.WriteFile("input" + std::to_string(i), Content(700000, static_cast<unsigned>(i)));
  };
  // The old archive, with one entry.
  TempDir made;
  inputs(made);
  ASSERT_EQ(kiln::test::RunProgram({KILN_AR_PATH, "c", "old.ar", "input0"}, made.path()).status, 0);
  const std::string old = ReadFile(made.Path("old.ar"));
  const int created = KillWhileWriting(KILN_AR_PATH, {"c", "target.ar", "input1", "input2"}, "target.ar", old, inputs,
                                       100, random);
  const int added = KillWhileWriting(KILN_AR_PATH, {"r", "target.ar", "input1", "input2"}, "target.ar", old, inputs,
                                     100, random);
  std::printf("kiln-ar: c %d, r %d of 100 runs each killed before their end\n", created, added);
  EXPECT_GT(created, 0) << "seed " << seed;
  EXPECT_GT(added, 0) << "seed " << seed;
}

}  // namespace
