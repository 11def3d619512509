// Keyframed controls and the FX manager's frames, without windows: the
// value reported at every frame, and effects that come, go and never end.
#include <gtest/gtest.h>

#include <kiln/qcontrol.h>
#include <kiln/qfilter.h>
#include <kiln/qfxmanager.h>
#include <kiln/qgel.h>

#include <memory>
#include <vector>

#include "message_capture.h"

using kiln::test::MessageCapture;

namespace {

// Steps the control until it is done (within a bound) and returns every
// value it reported.
std::vector<int> Reported(QControl &control, int maxFrames = 1000) {
  std::vector<int> reported;
  control.SetCallback(
      [](QControl *, void *data, int value) {
        static_cast<std::vector<int> *>(data)->push_back(value);
        return 0;
      },
      &reported);
  for (int frame = 0; frame < maxFrames && !control.IsDone(); ++frame) control.Iterate();
  return reported;
}

TEST(Controls, InterpolateSoTheLastFrameBeforeAKeyReachesIt) {
  QControl rising;
  rising.Key(10, 100);
  std::vector<int> expected;
  for (int f = 0; f < 10; ++f) expected.push_back(f * 100 / 9);
  expected.push_back(100);  // the report after the last key
  EXPECT_EQ(Reported(rising), expected);

  QControl falling;
  falling.Jump(100);
  Reported(falling);
  falling.Key(10, 0);
  EXPECT_EQ(Reported(falling), (std::vector<int>{100, 89, 78, 67, 56, 45, 34, 23, 12, 0, 0}));

  QControl step;  // a span of 1: the key's value at once
  step.Key(1, 7);
  EXPECT_EQ(Reported(step), (std::vector<int>{7, 7}));

  QControl several;
  several.Key(3, 30);
  several.Key(6, 0);
  several.Key(7, 5);
  EXPECT_EQ(Reported(several), (std::vector<int>{0, 15, 30, 15, 0, 5, 5}));

  // Long and large: 64-bit products, no overflow.
  QControl large;
  large.Key(100000, 2000000000);
  const std::vector<int> values = Reported(large, 200000);
  ASSERT_GT(values.size(), 2u);
  EXPECT_EQ(values[1], static_cast<int>(1LL * 2000000000 / 99999));
  EXPECT_EQ(values.back(), 2000000000);
  for (std::size_t i = 1; i < values.size(); ++i) ASSERT_GE(values[i], values[i - 1]);
}

TEST(Controls, KeysJumpsAndTheirLimits) {
  MessageCapture capture;
  QControl control;
  EXPECT_TRUE(control.IsDone());
  control.Key(-1, 5);
  EXPECT_EQ(capture.Take(), "QControl::Key was given keyframe<0\n");
  EXPECT_TRUE(control.IsDone());
  for (int frame = 1; frame <= 5; ++frame) control.Key(frame * 10, frame);
  EXPECT_EQ(control.GetKeyCount(), 6);
  control.Key(60, 6);
  EXPECT_EQ(capture.Take(), "Max control keys reached (6)\n");
  control.Key(20, 50);  // replaces 20 and drops 30 to 50
  EXPECT_EQ(control.GetKeyCount(), 3);
  control.Iterate();
  control.Iterate();
  control.Jump(5);
  EXPECT_EQ(Reported(control), (std::vector<int>{5}));
  EXPECT_EQ(control.GetKeyCount(), 0);

  // A key at frame 0 takes effect, on a fresh control and on a running one.
  QControl fresh;
  fresh.Key(0, 42);
  EXPECT_EQ(Reported(fresh), (std::vector<int>{42}));
  QControl running;
  running.Key(10, 100);
  running.Iterate();
  running.Iterate();
  running.Key(0, -3);
  EXPECT_EQ(Reported(running), (std::vector<int>{-3}));
  EXPECT_EQ(capture.Take(), "");
}

// An effect that ends after `steps` frames (never, for -1).
class Steps : public QFX {
public:
  explicit Steps(int steps) : left(steps) { flags = 0; }
  void Iterate() override {
    ++taken;
    if (left > 0 && --left == 0) flags |= DONE;
  }
  int left, taken = 0;
};

TEST(FXManagers, RunEffectsToTheirEndAndGiveUpOnEndlessOnes) {
  MessageCapture capture;
  QFXManager manager;
  static int frames;
  frames = 0;
  manager.SetCallback([](QFXManager *) { ++frames; });
  Steps three(3), five(5);
  manager.Add(&three);
  manager.Add(&five);
  EXPECT_TRUE(manager.RunToEnd());
  EXPECT_EQ(frames, 5);
  EXPECT_EQ(three.taken, 5);

  {
    Steps gone(2);
    manager.Add(&gone);
  }  // leaves the manager as it goes
  EXPECT_EQ(manager.GetFirst(), &five);
  EXPECT_TRUE(manager.Remove(&three));
  EXPECT_EQ(capture.Take(), "");
  manager.Remove(&five);
  EXPECT_FALSE(manager.Remove(&five));
  EXPECT_EQ(capture.Take(), "QFXManager:Remove: couldn't find FX\n");

  Steps endless(-1);
  manager.Add(&endless);
  frames = 0;
  EXPECT_FALSE(manager.RunToEnd());
  EXPECT_EQ(frames, QFXManager::kMaxRunFrames);
  EXPECT_EQ(capture.Take(), "QFXManager:RunToEnd; effects still running after 10000 frames; stopped\n");

  // An effect that destroys another during the frame.
  static std::unique_ptr<Steps> victim;
  class Killer : public QFX {
  public:
    Killer() { flags = 0; }
    void Iterate() override {
      victim.reset();
      flags |= DONE;
    }
  };
  manager.Remove(&endless);
  victim = std::make_unique<Steps>(1);
  manager.Add(victim.get());
  Killer killer;
  manager.Add(&killer);  // first, so it runs before the victim
  manager.Iterate(QFXManager::NO_SWAP);
  EXPECT_EQ(victim, nullptr);
  EXPECT_EQ(manager.GetFirst(), &killer);

  // A manager that goes first leaves its effects on their own.
  auto shortLived = std::make_unique<QFXManager>();
  Steps orphan(1);
  shortLived->Add(&orphan);
  shortLived.reset();
  EXPECT_EQ(orphan.GetManager(), nullptr);
}

TEST(WithoutAnApplication, GelsAndFiltersStayOnTheirOwn) {
  MessageCapture capture;
  QGel gel;
  EXPECT_EQ(gel.GetList(), nullptr);
  EXPECT_EQ(gel.GetCanvas(), nullptr);
  QFilterGray gray;
  EXPECT_EQ(gray.GetControl()->GetManager(), nullptr);
  EXPECT_EQ(capture.Take(), "** Error: QGel; no application BC to paint on\n** Error: QFilter; no FX manager to animate it\n");
}

}  // namespace
