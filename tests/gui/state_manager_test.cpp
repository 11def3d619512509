// Program states under a real application: changes recorded on the tape
// with the program's data, replayed backwards and forwards, tapes loaded,
// and states that go away.
#include "app_fixture.h"

#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "test_support.h"

using kiln::test::AppFixture;
using kiln::test::ReadFile;

namespace {

// The data each record carries: its length byte, that many filler bytes
// (the counter modulo 7), then the counter.
int counter = 0;
std::vector<std::string> entered;  // "name:value" as the states are entered by playback
int lastRead = -1;

void WriteData(QFile *tape) {
  const std::string filler(static_cast<std::size_t>(counter % 7), 'f');
  tape->PutChar(counter % 7);
  tape->Write(filler.data(), static_cast<long>(filler.size()));
  tape->WriteLE32(counter);
}
void ReadData(QFile *tape) {
  char filler[8];
  const int length = tape->GetChar();
  if (length >= 0 && length < 8) tape->Read(filler, length);
  int32_t value = -1;
  tape->ReadLE32(&value);
  lastRead = value;
}
void Put(const char *file, const std::string &bytes) { std::ofstream(file, std::ios::binary) << bytes; }

void Start(QState *state) { entered.push_back(std::string(state->GetStateName()) + ":" + std::to_string(lastRead)); }

class States : public AppFixture {
protected:
  void SetUp() override {
    AppFixture::SetUp();
    if (IsSkipped()) return;
    app->NoBC();
    ASSERT_TRUE(app->Create());
    manager = app->GetStateManager();
    ASSERT_NE(manager, nullptr);
    for (const char *name : {"menu", "game", "scores"}) states.push_back(std::make_unique<QState>(name, nullptr, Start));
    manager->SetIOProcs(ReadData, WriteData);
    counter = 0;
    entered.clear();
  }
  void TearDown() override {
    while (!states.empty()) states.pop_back();
    AppFixture::TearDown();
  }
  QStateManager *manager = nullptr;
  std::vector<std::unique_ptr<QState>> states;
};

TEST_F(States, ChangesAreRecordedWithTheProgramsData) {
  kiln::test::ByteWriter expected;
  for (int i = 0; i < 3; ++i) {
    counter = i + 5;
    manager->SetState(states[static_cast<std::size_t>(i)].get());
    const uint32_t start = static_cast<uint32_t>(expected.Size());
    std::string name = states[static_cast<std::size_t>(i)]->GetStateName();
    name.resize(32, '\0');
    expected.Text(name).U8(static_cast<uint32_t>(counter % 7)).Fill(static_cast<std::size_t>(counter % 7), 'f').LE32(static_cast<uint32_t>(counter)).LE32(start);
  }
  EXPECT_EQ(ReadFile("temptape.vcr"), expected.Bytes());
  manager->SetState(states[0].get(), true);  // not recorded
  EXPECT_EQ(ReadFile("temptape.vcr"), expected.Bytes());

  // Loading that tape counts 3 and enters the third again.
  ASSERT_TRUE(manager->Save("bc.vcr"));
  capture.Take();
  ASSERT_TRUE(manager->VCR_UseFile("bc.vcr"));
  EXPECT_NE(capture.Take().find("VCR_UseFile: 3 states in 'bc.vcr'\n"), std::string::npos);
  EXPECT_EQ(manager->GetState(), states[2].get());
  EXPECT_EQ(entered.back(), "scores:7");
  EXPECT_FALSE(manager->VCR_UseFile("none.vcr"));
  EXPECT_NE(capture.Take().find("VCR file not found"), std::string::npos);
}

TEST_F(States, ReplayedBackwardsThenForwards) {
  std::vector<std::string> recorded;
  for (int i = 0; i < 60; ++i) {
    counter = i * 3 + 1;
    QState *state = states[static_cast<std::size_t>(i % 3)].get();
    manager->SetState(state);
    recorded.push_back(std::string(state->GetStateName()) + ":" + std::to_string(counter));
  }
  while (manager->Reverse()) {
    if (manager->GetTape().GetRecordIndex() == 1) break;
  }
  std::vector<std::string> backwards(recorded.rbegin() + 1, recorded.rend());
  EXPECT_EQ(entered, backwards);
  entered.clear();
  while (manager->Play()) {
  }
  EXPECT_EQ(entered, std::vector<std::string>(recorded.begin() + 1, recorded.end()));
  EXPECT_FALSE(manager->Play());
}

TEST_F(States, StatesComeAndGo) {
  EXPECT_FALSE(manager->Remove(states[0].get()));
  EXPECT_NE(capture.Take().find("QStateManager:Remove: state must be the last added"), std::string::npos);
  manager->SetState(states[1].get());
  manager->SetGlobalState(states[1].get());
  states.erase(states.begin() + 1);  // current, global and in the middle of the table
  EXPECT_EQ(manager->GetState(), nullptr);
  EXPECT_EQ(manager->GetGlobalState(), nullptr);
  EXPECT_EQ(manager->Find("game"), nullptr);
  EXPECT_EQ(manager->GetStateCount(), 2);

  std::vector<std::unique_ptr<QState>> many;
  std::vector<std::string> names;
  for (int i = 0; i < 98; ++i) names.push_back("s" + std::to_string(i));
  for (const std::string &name : names) many.push_back(std::make_unique<QState>(name.c_str()));
  EXPECT_EQ(manager->GetStateCount(), 100);
  capture.Take();
  QState extra("extra");
  EXPECT_NE(capture.Take().find("QStateManager:Add(); maximum (100) reached"), std::string::npos);
  EXPECT_EQ(manager->Find("extra"), nullptr);
  while (!many.empty()) many.pop_back();
}

TEST_F(States, ReverseOnAnEmptyTapeDoesNothing) {
  EXPECT_FALSE(manager->Reverse());
  EXPECT_TRUE(entered.empty());
  manager->SetState(states[0].get());
  QEvent save;
  save.type = QEVENT_KEYPRESS;
  save.n = QK_CONTROL | 's';
  EXPECT_TRUE(manager->HandleEvent(&save));
  EXPECT_EQ(ReadFile("bc.vcr"), ReadFile("temptape.vcr"));
}

TEST_F(States, ANewTapeStartsEmptyAndADuplicateNameEndsTheProgram) {
  manager->SetState(states[0].get());
  manager->SetState(states[1].get());
  ASSERT_TRUE(manager->NewTape());
  EXPECT_EQ(ReadFile("temptape.vcr"), "");
  EXPECT_EQ(manager->GetTape().GetRecordCount(), 0);
  manager->SetState(states[2].get());
  EXPECT_EQ(manager->GetTape().GetRecordCount(), 1);

  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        QApp again("states", "States");
        again.NoBC();
        again.Create();
        QState first("twice");
        QState second("twice");
      },
      ::testing::ExitedWithCode(1), "");
}

TEST_F(States, TheUserDrivesTheReplayWithThePanelAndTheKeys) {
  for (int i = 0; i < 3; ++i) {
    counter = i + 1;
    manager->SetState(states[static_cast<std::size_t>(i)].get());
  }
  XSetInputFocus(sender, ShellWindow(), RevertToParent, CurrentTime);
  Settle();
  // The panel at (45, 634, 150, 40): "$REWIND", "$REVERSE", "$PLAY",
  // "$FORWARD", 37 wide each.
  const auto clickOn = [&](int column) { Click(45 + 37 * column + 18, 654); };
  const auto replayed = [&](const char *expected) {
    return Pump([&] { return !entered.empty() && entered.back() == expected; });
  };
  clickOn(1);
  ASSERT_TRUE(replayed("game:2"));
  Chord({XK_Control_L}, XK_Left);
  ASSERT_TRUE(replayed("menu:1"));
  clickOn(2);
  ASSERT_TRUE(replayed("game:2"));
  Chord({XK_Control_L}, XK_Right);
  ASSERT_TRUE(replayed("scores:3"));
  Chord({XK_Control_L}, XK_Right);  // at the end: nothing
  clickOn(0);
  clickOn(3);
  Settle();
  EXPECT_EQ(entered.size(), 4u);

  Chord({XK_Control_L}, XK_s);
  const std::string saved = ReadFile("temptape.vcr");
  ASSERT_TRUE(Pump([&] { return ReadFile("bc.vcr") == saved; }));

  // A copy whose last record lost its trailing offset keeps the records
  // before it: the damage is named, the last sound state entered, and
  // recording goes on in a copy of them; the damaged file stays as it was.
  std::string damaged = saved;
  damaged[damaged.size() - 1] = 0x7F;
  const std::size_t lastStart = static_cast<unsigned char>(saved[saved.size() - 4]) |
                                static_cast<std::size_t>(static_cast<unsigned char>(saved[saved.size() - 3])) << 8;
  Put("bc.vcr", damaged);
  std::string said;
  capture.Take();
  Chord({XK_Control_L}, XK_l);
  ASSERT_TRUE(Pump([&] {
    said += capture.Take();
    return said.find("VCR file 'bc.vcr' is damaged at " + std::to_string(lastStart) + ": record '") != std::string::npos;
  }));
  EXPECT_NE(said.find("the 2 records before it are used"), std::string::npos) << said;
  EXPECT_EQ(said.find("VCR file not found"), std::string::npos);
  EXPECT_STREQ(manager->GetTape().GetFileName(), "temptape.vcr");
  EXPECT_EQ(ReadFile("temptape.vcr"), saved.substr(0, lastStart));
  EXPECT_EQ(ReadFile("bc.vcr"), damaged);
  counter = 4;
  manager->SetState(states[0].get());
  EXPECT_EQ(manager->GetTape().GetRecordCount(), 3);
  EXPECT_EQ(ReadFile("temptape.vcr").compare(0, lastStart, saved, 0, lastStart), 0);

  // A sound one is entered at its last state and recorded on in a copy.
  Put("bc.vcr", saved);
  Chord({XK_Control_L}, XK_l);
  ASSERT_TRUE(replayed("scores:3"));
  EXPECT_STREQ(manager->GetTape().GetFileName(), "temptape.vcr");
  manager->SetState(states[1].get());
  EXPECT_EQ(ReadFile("bc.vcr"), saved);
  EXPECT_EQ(manager->GetTape().GetRecordCount(), 4);

  // A name the program doesn't know stops playback at its record.
  std::string ghost = saved.substr(0, 42);
  ghost.replace(0, 4, "nope");
  Put("ghost.vcr", ghost);
  capture.Take();
  EXPECT_TRUE(manager->VCR_UseFile("ghost.vcr"));
  EXPECT_NE(capture.Take().find("State 'nope' was not found in this application."), std::string::npos);
  EXPECT_EQ(manager->GetTape().GetPosition(), 0);
  EXPECT_EQ(manager->GetState(), states[1].get());
}

}  // namespace
