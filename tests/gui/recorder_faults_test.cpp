// Faults while a program records its states: the program killed with
// SIGKILL at random moments, or its X server killed under it. The tape on
// disk holds every complete record, and VCR_UseFile accepts exactly those.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "byte_writer.h"
#include "test_support.h"

using kiln::test::BackgroundProgram;
using kiln::test::ByteWriter;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

long DataLength(int i) { return i % 7 == 0 ? 9000 + i % 97 : i % 97; }

// Record i as the recorder writes it, starting at `start`.
std::string RecordBytes(int i, uint32_t start) {
  std::string name = i % 2 ? "odd" : "even";
  name.resize(32, '\0');
  ByteWriter bytes;
  bytes.Text(name).LE32(static_cast<uint32_t>(i)).Fill(static_cast<std::size_t>(DataLength(i)), static_cast<char>(i & 0xFF)).LE32(start);
  return bytes.Bytes();
}

// How many whole records the tape starts with, and whether what follows
// them is the start of the next one (a record cut short), nothing else.
struct Prefix {
  int records = 0;
  bool tailIsNextRecord = true;
  std::size_t tail = 0;
};
Prefix WholeRecords(const std::string &tape) {
  Prefix prefix;
  std::size_t at = 0;
  for (int i = 1;; ++i) {
    const std::string next = RecordBytes(i, static_cast<uint32_t>(at));
    if (tape.compare(at, next.size(), next) != 0 || at + next.size() > tape.size()) {
      prefix.tail = tape.size() - at;
      prefix.tailIsNextRecord = tape.compare(at, std::string::npos, next, 0, prefix.tail) == 0;
      return prefix;
    }
    at += next.size();
    prefix.records = i;
  }
}

// What the recorder makes of the tape (under another name: its state
// manager starts a new "temptape.vcr").
std::string UseTape(const TempDir &dir) {
  dir.WriteFile("kept.vcr", ReadFile(dir.Path("temptape.vcr")));
  return kiln::test::RunProgram({RECORDER_PATH, "use", "kept.vcr"}, dir.path()).out;
}

TEST(KilledRecorder, TheTapeKeepsEveryCompleteRecordAndOnlyThose) {
  const unsigned seed = std::random_device{}();
  std::printf("seed %u\n", seed);
  std::mt19937 random(seed);
  int cutShort = 0;
  for (int kill = 0; kill < 12; ++kill) {
    TempDir dir;
    BackgroundProgram recorder({RECORDER_PATH, "record"}, dir.path());
    std::this_thread::sleep_for(std::chrono::milliseconds(250 + random() % 400));
    recorder.Signal(SIGKILL);
    EXPECT_EQ(recorder.Wait(5000).status, 128 + SIGKILL);
    const std::string tape = ReadFile(dir.Path("temptape.vcr"));
    const Prefix prefix = WholeRecords(tape);
    ASSERT_TRUE(prefix.tailIsNextRecord) << "seed " << seed;
    if (prefix.tail > 0) ++cutShort;
    if (prefix.records == 0) continue;  // killed before its first record was whole
    const std::string last = (prefix.records % 2 ? "odd:" : "even:") + std::to_string(prefix.records);
    EXPECT_EQ(UseTape(dir), "records " + std::to_string(prefix.records) + " entered " + last + "\n")
        << "seed " << seed << ", " << prefix.tail << " bytes after " << prefix.records << " records";
  }
  std::printf("%d of 12 tapes ended in a record cut short\n", cutShort);
}

// An X server of the test's own, on a free display.
class OwnXServer {
public:
  OwnXServer() {
    for (int number = 100 + getpid() % 400;; ++number) {
      if (kiln::test::Exists("/tmp/.X" + std::to_string(number) + "-lock")) continue;
      name = ":" + std::to_string(number);
      break;
    }
    server = std::make_unique<BackgroundProgram>(
        std::vector<std::string>{"/usr/bin/Xvfb", name, "-nolisten", "tcp", "-screen", "0", "800x600x24"}, "/");
    for (int waited = 0; waited < 10000; waited += 50) {
      if (Display *display = XOpenDisplay(name.c_str())) {
        XCloseDisplay(display);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    name.clear();
  }
  std::string name;  // empty when it didn't start
  std::unique_ptr<BackgroundProgram> server;
};

TEST(LostDisplay, TheProgramEndsAtOnceAndItsTapeHoldsWhatItRecorded) {
  OwnXServer x;
  ASSERT_FALSE(x.name.empty());
  TempDir dir;
  BackgroundProgram recorder({"/usr/bin/env", "DISPLAY=" + x.name, RECORDER_PATH, "record", "--every", "20"}, dir.path());
  ASSERT_TRUE(recorder.WaitForOutput("recorded 5\n", 20000));
  x.server->Signal(SIGKILL);
  const auto lost = std::chrono::steady_clock::now();
  const kiln::test::ProcessResult ended = recorder.Wait(10000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - lost).count();
  EXPECT_LT(seconds, 2.0);
  EXPECT_EQ(ended.status, 1);
  EXPECT_NE(ended.err.find("Lost the X display '" + x.name + "'; ending"), std::string::npos) << ended.err;
  // Every record it reported is on the tape, whole, and the tape is used.
  const std::size_t said = ended.out.rfind("recorded ");
  const int reported = std::stoi(ended.out.substr(said + 9));
  const Prefix prefix = WholeRecords(ReadFile(dir.Path("temptape.vcr")));
  EXPECT_GE(prefix.records, reported);
  EXPECT_EQ(prefix.tail, 0u);
  EXPECT_EQ(UseTape(dir).find("records " + std::to_string(prefix.records) + " entered "), 0u);
}

}  // namespace
