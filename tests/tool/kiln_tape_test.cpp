// kiln-tape run as a user runs it, on tapes a real application's state
// manager recorded: listed, checked whole and damaged every way, cut back
// to their sound records and compared.
#include <gtest/gtest.h>

#include <kiln/qapp.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "byte_writer.h"
#include "test_support.h"

using kiln::test::ProcessResult;
using kiln::test::ReadFile;

namespace {

// A change: the state entered, and how many letters the program writes
// after their count.
using Change = std::pair<std::string, int>;

int letters = 0;
void WriteData(QFile *tape) {
  tape->PutChar(letters);
  for (int i = 0; i < letters; ++i) tape->PutChar('a' + i % 26);
}
void ReadData(QFile *tape) {
  for (int count = tape->GetChar(); count > 0; --count) tape->GetChar();
}

class KilnTape : public ::testing::Test {
protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display (run under xvfb-run)";
    app = std::make_unique<QApp>("tapetest", "tape test");
    app->NoBC();
    ASSERT_TRUE(app->Create());
    app->GetStateManager()->SetIOProcs(ReadData, WriteData);
  }
  void TearDown() override {
    states.clear();
    app.reset();
  }

  // The tape of these changes, as the state manager records it; its
  // records' starts in `starts`, with the end last.
  std::string Record(const std::vector<Change> &changes, std::vector<long> *starts = nullptr) {
    QStateManager *manager = app->GetStateManager();
    EXPECT_TRUE(manager->NewTape());
    for (const auto &[name, bytes] : changes) {
      QState *state = manager->Find(name.c_str());
      if (!state) {
        states.push_back(std::make_unique<QState>(Keep(name)));
        state = states.back().get();
      }
      if (starts) starts->push_back(manager->GetTape().GetPosition());
      letters = bytes;
      manager->SetState(state);
    }
    if (starts) starts->push_back(manager->GetTape().GetPosition());
    return ReadFile("temptape.vcr");
  }
  // State names stay the caller's: kept here for the states' lifetime.
  const char *Keep(const std::string &name) { return names.emplace_back(std::make_unique<std::string>(name))->c_str(); }

  ProcessResult Tape(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_TAPE_PATH, args, dir.path()); }
  std::string Put(const std::string &name, const std::string &bytes) {
    dir.WriteFile(name, bytes);
    return dir.Path(name);
  }

  std::unique_ptr<QApp> app;
  std::vector<std::unique_ptr<std::string>> names;
  std::vector<std::unique_ptr<QState>> states;
  kiln::test::TempDir dir;
};

const std::vector<Change> kSession = {{"title", 0}, {"menu", 3}, {"game", 30}, {"menu", 1}, {"scores", 12}};

TEST_F(KilnTape, ListsEachRecordAndChecksASoundTape) {
  std::vector<long> starts;
  const std::string tape = Put("session.vcr", Record(kSession, &starts));
  const ProcessResult list = Tape({"list", tape});
  EXPECT_EQ(list.status, 0) << list.err;
  const std::vector<std::string> expected = {
      "       0      1  title                           1  00\n",
      "      37      2  menu                            4  03 61 62 63\n",
      "      77      3  game                           31  1e 61 62 63 64 65 66 67 ...\n",
      "     144      4  menu                            2  01 61\n",
      "     182      5  scores                         13  0c 61 62 63 64 65 66 67 ...\n",
      "5 records, 231 bytes\n"};
  std::size_t at = 0;
  for (const std::string &line : expected) {
    const std::size_t found = list.out.find(line, at);
    ASSERT_NE(found, std::string::npos) << "missing, in order: " << line << list.out;
    at = found + line.size();
  }
  EXPECT_EQ(starts, (std::vector<long>{0, 37, 77, 144, 182, 231}));

  const ProcessResult check = Tape({"check", tape});
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, tape + ": 5 records, 231 bytes, sound\n");
}

// Names that fill their field leave no run of zeros in a record, so no cut
// can end a tape that chains by itself; after a short name's zeros it can
// (four zeros read as the offset 0), and nothing tells such a cut from a
// shorter recording.
TEST_F(KilnTape, ACutAtAnyLengthIsNamedWithTheLastSoundRecordsEnd) {
  const std::string filled(31, 'l');
  std::vector<long> starts;
  const std::string bytes = Record({{filled + "1", 5}, {filled + "2", 0}, {filled + "3", 40}, {filled + "1", 2}}, &starts);
  for (long length = 1; length < static_cast<long>(bytes.size()); ++length) {
    const std::string tape = Put("cut.vcr", bytes.substr(0, static_cast<std::size_t>(length)));
    long lastSound = 0;
    for (long start : starts) lastSound = start <= length ? start : lastSound;
    const ProcessResult check = Tape({"check", tape});
    if (lastSound == length) {
      EXPECT_EQ(check.status, 0) << length;
      continue;
    }
    EXPECT_EQ(check.status, 1) << length;
    const std::string where = tape + ": offset " + std::to_string(lastSound) + ": ";
    EXPECT_EQ(check.out.rfind(where, 0), 0u) << length << "\n" << check.out;
    const bool shortTail = length - lastSound < 36;
    EXPECT_NE(check.out.find(shortTail ? "record cut short" : "has no trailing offset back to it"), std::string::npos)
        << length << "\n" << check.out;
  }
}

TEST_F(KilnTape, DamageIsNamedWithItsOffset) {
  std::vector<long> starts;
  const std::string sound = Record(kSession, &starts);
  const auto check = [&](std::string bytes) { return Tape({"check", Put("damaged.vcr", bytes)}); };

  // The third record's trailing offset leads nowhere: the records after it
  // still chain from the end.
  std::string bytes = sound;
  bytes.replace(static_cast<std::size_t>(starts[3] - 4), 4, kiln::test::ByteWriter().LE32(0xFFFFFFF0u).Bytes());
  ProcessResult result = check(bytes);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find(": offset 77: record 'game' has no trailing offset back to it: the 4 bytes at 140 hold "
                            "4294967280 (damaged)\n"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("the first 2 records are sound (bytes 0 to 77); 2 records after the damage"),
            std::string::npos)
      << result.out;

  // The second record's name fills its field with no zero.
  bytes = sound;
  bytes.replace(static_cast<std::size_t>(starts[1]), 32, std::string(32, 'x'));
  result = check(bytes);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find(": offset 37: record name without its terminating zero\n"), std::string::npos)
      << result.out;

  // Bytes after the last record, a few and many.
  for (const std::string &garbage : {std::string("\x01\0\x02", 3), std::string(40, '\xee') + '\0' + "x"}) {
    result = check(sound + garbage);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find(": offset 231: " + std::to_string(garbage.size()) + " bytes after the last record\n"),
              std::string::npos)
        << result.out;
  }
  // The list shows the damage between the records.
  result = Tape({"list", Put("damaged.vcr", sound + std::string(1, '\0'))});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find("     231 damage: 1 byte after the last record\n5 records, 232 bytes, damaged\n"),
            std::string::npos)
      << result.out;
}

TEST_F(KilnTape, CutKeepsTheSoundRecordsAsATapeTheManagerPlays) {
  std::vector<long> starts;
  const std::string sound = Record(kSession, &starts);
  const std::string damaged = Put("damaged.vcr", sound.substr(0, static_cast<std::size_t>(starts[4] + 20)));
  ProcessResult cut = Tape({"cut", damaged, "4", "kept.vcr"});
  ASSERT_EQ(cut.status, 0) << cut.err;
  EXPECT_EQ(ReadFile(dir.Path("kept.vcr")), sound.substr(0, static_cast<std::size_t>(starts[4])));
  QStateManager *manager = app->GetStateManager();
  ASSERT_TRUE(manager->VCR_UseFile(dir.Path("kept.vcr").c_str()));
  EXPECT_EQ(manager->GetTape().GetRecordCount(), 4);
  EXPECT_STREQ(manager->GetState()->GetStateName(), "menu");

  cut = Tape({"cut", damaged, "5", "more.vcr"});
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.err, "kiln-tape: can't keep 5 records of '" + damaged + "': it holds 4 records before its damage\n");
  EXPECT_FALSE(kiln::test::Exists(dir.Path("more.vcr")));
  // Nowhere to write: nothing left behind.
  cut = Tape({"cut", damaged, "2", dir.Path("missing/kept.vcr")});
  EXPECT_EQ(cut.status, 1);
  EXPECT_NE(cut.err.find("can't write '" + dir.Path("missing/kept.vcr") + "': No such file or directory"),
            std::string::npos);
}

TEST_F(KilnTape, DiffFindsTheFirstRecordThatDiffers) {
  const std::string a = Put("a.vcr", Record(kSession));
  std::vector<Change> changed = kSession;
  changed[3].first = "game";
  const std::string b = Put("b.vcr", Record(changed));
  changed = kSession;
  changed[2].second = 31;
  const std::string c = Put("c.vcr", Record(changed));
  const std::string shorter = Put("d.vcr", Record({kSession.begin(), kSession.begin() + 3}));

  ProcessResult diff = Tape({"diff", a, a});
  EXPECT_EQ(diff.status, 0);
  EXPECT_EQ(diff.out, "the same 5 records\n");
  diff = Tape({"diff", a, b});
  EXPECT_EQ(diff.status, 1);
  EXPECT_EQ(diff.out, "record 4 (offset 144 in " + a + ", 144 in " + b + "): state 'menu', state 'game'\n");
  diff = Tape({"diff", a, c});
  EXPECT_EQ(diff.out, "record 3 (offset 77 in " + a + ", 77 in " + c +
                          "): state 'game', data differ from byte 0 (31 and 32 data bytes)\n");
  diff = Tape({"diff", shorter, a});
  EXPECT_EQ(diff.status, 1);
  EXPECT_EQ(diff.out, shorter + " holds 3 records; " + a + " holds 5 records; the first 3 are the same\n");
}

TEST_F(KilnTape, UsageAndUnreadableFiles) {
  ProcessResult result = Tape({});
  EXPECT_EQ(result.status, 2);
  EXPECT_NE(result.err.find("usage: kiln-tape list TAPE"), std::string::npos);
  EXPECT_EQ(Tape({"cut", "a", "b"}).status, 2);
  EXPECT_EQ(Tape({"--help"}).status, 0);
  result = Tape({"check", dir.Path("none.vcr")});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "kiln-tape: can't read '" + dir.Path("none.vcr") + "': No such file or directory\n");
  result = Tape({"list", dir.path()});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Is a directory"), std::string::npos);
  result = Tape({"cut", Put("t.vcr", ""), "-1", "out.vcr"});
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("out.vcr")));
}

}  // namespace
