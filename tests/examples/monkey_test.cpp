// Every example program with a window, and kiln-view, driven by random
// input nobody planned (tests/support/random_input.h), then asked to quit
// with Alt+F4: it must still run after the input, end with status 0, and
// have reported no X error and no OpenGL error left at the end of a frame
// (KILN_GL_CHECK=1); the sanitizer build ends it otherwise. 20,000 events
// a program here; KILN_MONKEY_SECONDS makes it a run of that many seconds
// (make soak: ten minutes). Screenshots the keys wrote to /tmp are removed.
// And the long runs: world_ring and lower_third for KILN_LONG_FRAMES frames
// (5,000 and 8,000 here, 100,000 in make soak): after the first 1,000 frames their
// resident memory (the peak of two seconds' readings) grows by less than
// 1 %, and what they report holding
// (textures, gels, effects) stays the same.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "random_input.h"
#include "test_support.h"

using kiln::test::BackgroundProgram;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

struct Subject {
  const char *name;
  std::vector<std::string> argv;  // run in a directory with the example models in "models"
  std::vector<KeySym> spared;     // its own quit key
  std::vector<KeySym> shots = {};  // its own screenshot key, pressed as rarely as the library's
};

std::ostream &operator<<(std::ostream &out, const Subject &subject) { return out << subject.name; }

const Subject kSubjects[] = {
    {"bc_square", {BC_SQUARE_PATH}, {}},
    {"canvas_text", {CANVAS_TEXT_PATH}, {XK_q}},
    {"lower_third", {LOWER_THIRD_PATH, "--loop"}, {}},
    {"slides", {SLIDES_PATH}, {}},
    {"model_viewer_min", {MODEL_VIEWER_MIN_PATH, "models/globe.dof", "--shaders", "models/globe.shd"}, {XK_q}},
    {"world_ring", {WORLD_RING_PATH, "models/globe.dof", "--copies", "12"}, {XK_q}},
    {"kiln_view", {KILN_VIEW_PATH, "models/globe.dof", "--shaders", "models/globe.shd"}, {XK_q}, {XK_s}},
};

// The screenshots the library's keys left in /tmp.
std::set<std::string> Screenshots() {
  std::set<std::string> found;
  if (DIR *tmp = opendir("/tmp")) {
    while (const dirent *entry = readdir(tmp)) {
      const std::string name = entry->d_name;
      if ((name.rfind("ui", 0) == 0 || name.rfind("bc", 0) == 0) && name.size() == 11 && name.find(".tga") == 7)
        found.insert("/tmp/" + name);
    }
    closedir(tmp);
  }
  return found;
}

// The example models, made once for the whole run.
const std::string &Models() {
  static TempDir dir;
  static const bool made =
      kiln::test::RunProgram({"/bin/sh", MAKE_MODELS_PATH, dir.Path("models"), KILN_MODEL_PATH}, dir.path()).status == 0;
  EXPECT_TRUE(made);
  return dir.path();
}

// Whether a window of the program shows at the top left of the screen.
bool WindowShown(Display *display) {
  Window child = 0;
  int x, y;
  XTranslateCoordinates(display, DefaultRootWindow(display), DefaultRootWindow(display), 20, 20, &x, &y, &child);
  return child != 0;
}

class Monkey : public ::testing::TestWithParam<Subject> {};

TEST_P(Monkey, RandomInputLeavesItRunningCleanAndItQuitsWithZero) {
  const Subject &subject = GetParam();
  kiln::test::FakeInput input;
  ASSERT_TRUE(input.OpenInput());
  TempDir dir;
  ASSERT_EQ(kiln::test::RunProgram({"/bin/cp", "-r", Models() + "/models", dir.path()}, "/").status, 0);
  std::vector<std::string> argv{"/usr/bin/env", "KILN_GL_CHECK=1"};
  argv.insert(argv.end(), subject.argv.begin(), subject.argv.end());
  const std::set<std::string> before = Screenshots();
  BackgroundProgram program(argv, dir.path());
  for (int waited = 0; waited < 30000 && !WindowShown(input.sender); waited += 50)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(WindowShown(input.sender)) << program.Wait(0).err;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  const char *seconds = std::getenv("KILN_MONKEY_SECONDS");
  kiln::test::RandomInput::Options options;
  options.spared = subject.spared;
  options.rare.insert(options.rare.end(), subject.shots.begin(), subject.shots.end());
  kiln::test::RandomInput monkey(input, options);
  const long sent = seconds ? monkey.Run(std::numeric_limits<long>::max(), std::atof(seconds), [&] { return program.Running(); })
                            : monkey.Run(20000, 600, [&] { return program.Running(); });
  std::printf("%s: %ld events sent\n", subject.name, sent);
  EXPECT_TRUE(program.Running()) << "seed " << monkey.Seed();

  // Asked to quit, from inside its shell, once it has taken what was sent
  // (the sanitizers' build takes its time).
  input.MoveTo(30, 30);
  input.Chord({XK_Alt_L}, XK_F4);
  const auto asked = std::chrono::steady_clock::now();
  const kiln::test::ProcessResult ended = program.Wait(180000);
  std::printf("%s: ended %.1f s after being asked\n", subject.name,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count());
  EXPECT_EQ(ended.status, 0) << "seed " << monkey.Seed() << "\n" << ended.err;
  const std::string log = ReadFile(dir.Path("QLOG.txt")) + ended.err;
  for (const char *fault : {"X error", "OpenGL error", "AddressSanitizer", "runtime error"})
    EXPECT_EQ(log.find(fault), std::string::npos) << fault << ", seed " << monkey.Seed() << "\n" << log;
  for (const std::string &shot : Screenshots()) {
    if (!before.count(shot)) std::remove(shot.c_str());
  }
  input.CloseInput();
}

INSTANTIATE_TEST_SUITE_P(Examples, Monkey, ::testing::ValuesIn(kSubjects),
                         [](const auto &info) { return std::string(info.param.name); });

// Resident memory of the process, in KiB.
long Resident(int pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// The most resident memory seen over two seconds: the renderer's buffers
// come and go by a couple of per cent from frame to frame.
long PeakResident(int pid) {
  long peak = -1;
  for (int i = 0; i < 20; ++i) {
    peak = std::max(peak, Resident(pid));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return peak;
}

// The report line of frame `frame`, without the frame number.
std::string Report(const std::string &out, long frame) {
  const std::string label = "frame " + std::to_string(frame) + ":";
  const std::size_t at = out.find(label);
  return at == std::string::npos ? "" : out.substr(at + label.size(), out.find('\n', at) - at - label.size());
}

// Runs the program for `frames` frames; it reports every `every` frames.
// In the normal build only: the sanitizers keep freed memory aside.
void LongRun(const std::vector<std::string> &argv, long frames, long every) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "memory is measured in the normal build";
#endif
  TempDir dir;
  ASSERT_EQ(kiln::test::RunProgram({"/bin/cp", "-r", Models() + "/models", dir.path()}, "/").status, 0);
  BackgroundProgram program(argv, dir.path());
  // The last readings from three reports before the end: the program is
  // still there for most of them.
  const long warm = (1000 + every - 1) / every * every, last = (frames - 1) / every * every - 3 * every;
  const int hour = 3600 * 1000;
  ASSERT_TRUE(program.WaitForOutput("frame " + std::to_string(warm) + ":", hour));
  const long warmResident = PeakResident(program.Pid());
  ASSERT_TRUE(program.WaitForOutput("frame " + std::to_string(last) + ":", hour));
  const long lastResident = PeakResident(program.Pid());
  ASSERT_GT(warmResident, 0);
  ASSERT_GT(lastResident, 0);
  const kiln::test::ProcessResult ended = program.Wait(hour);
  EXPECT_EQ(ended.status, 0) << ended.err;
  std::printf("%ld frames: resident %ld KiB after %ld, %ld KiB after %ld\n", frames, warmResident, warm, lastResident,
              last);
  EXPECT_LT(lastResident, warmResident + warmResident / 100);
  // What each report says beside the frame number stays the same.
  const std::string held = Report(ended.out, warm);
  EXPECT_FALSE(held.empty());
  EXPECT_EQ(Report(ended.out, last), held);
}

// KILN_LONG_FRAMES, or the short form's count.
long LongFrames(long shortForm) {
  const char *frames = std::getenv("KILN_LONG_FRAMES");
  return frames ? std::atol(frames) : shortForm;
}

TEST(LongRun, WorldRingHoldsItsMemoryAndItsTextures) {
  // Its report every 60 frames names the items painted: the camera turns a
  // full circle in 360, so reports 360 frames apart say the same.
  const long frames = LongFrames(5000) / 360 * 360 + 1;
  LongRun({WORLD_RING_PATH, "models/globe.dof", "--shaders", "models/globe.shd", "--copies", "24", "--frames",
           std::to_string(frames)},
          frames, 360);
}

TEST(LongRun, LowerThirdHoldsItsMemoryGelsAndEffects) {
  // Its reports come every 1,000 frames: the short form needs a few.
  const long frames = LongFrames(8000);
  LongRun({LOWER_THIRD_PATH, "--frames", std::to_string(frames)}, frames, 1000);
}

}  // namespace
