// The VCR tape's bytes against the record layout built here, its walks
// forwards and backwards, records after stepping back, saving, and damaged
// tapes, of which only the records that follow from the start are read.
#include <gtest/gtest.h>

#include <kiln/qvcrtape.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "byte_writer.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::ByteWriter;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

// Each state's data: its name's length in bytes of 'd' (S1: 2, S22: 3, ...).
QVCRTape::WriteData DataOf(const std::string &name) {
  return [name](QFile &tape) { tape.Write(std::string(name.size(), 'd').data(), static_cast<long>(name.size())); };
}

// Reads a record's data the same way, writing down the names.
struct Player {
  std::vector<std::string> seen;
  int skew = 0;  // bytes read too few
  QVCRTape::ReadData Reader() {
    return [this](const char *name, QFile &tape) {
      const std::string text = name;
      if (text.empty() || text[0] != 'S') return false;
      std::string data(text.size(), '\0');
      tape.Read(data.data(), static_cast<long>(text.size()) - skew);
      seen.push_back(text);
      return true;
    };
  }
};

// The records as the layout has them.
std::string Records(const std::vector<std::string> &names) {
  ByteWriter bytes;
  for (const std::string &name : names) {
    const uint32_t start = static_cast<uint32_t>(bytes.Size());
    std::string field = name.substr(0, 31);
    field.resize(32, '\0');
    bytes.Text(field).Text(std::string(name.size(), 'd')).LE32(start);
  }
  return bytes.Bytes();
}

class Tape : public ::testing::Test {
protected:
  void SetUp() override {
    path = dir.Path("temptape.vcr");
    ASSERT_TRUE(tape.Create(path.c_str()));
    for (const char *name : {"S1", "S22", "S333"}) ASSERT_TRUE(tape.Record(name, DataOf(name)));
  }
  TempDir dir;
  std::string path;
  QVCRTape tape;
  kiln::test::MessageCapture capture;
};

TEST_F(Tape, RecordsAreTheLayoutsBytesFlushedAsTheyGo) {
  EXPECT_EQ(ReadFile(path), Records({"S1", "S22", "S333"}));  // read while the tape is open
  EXPECT_EQ(tape.GetRecordCount(), 3);
  EXPECT_EQ(tape.GetPosition(), static_cast<long>(ReadFile(path).size()));
  // A long name keeps its first 31 characters.
  const std::string longName = "S" + std::string(39, 'x');
  ASSERT_TRUE(tape.Record(longName.c_str(), nullptr));
  EXPECT_EQ(ReadFile(path).substr(ReadFile(path).size() - 36, 32), longName.substr(0, 31) + '\0');
}

TEST_F(Tape, BackwardsAndForwards) {
  Player player;
  ASSERT_TRUE(tape.StepBack());
  ASSERT_TRUE(tape.StepBack());
  EXPECT_EQ(tape.GetRecordIndex(), 1);
  ASSERT_TRUE(tape.Play(false, player.Reader()));
  ASSERT_TRUE(tape.Play(true, player.Reader()));  // stays
  ASSERT_TRUE(tape.Play(false, player.Reader()));
  EXPECT_FALSE(tape.Play(false, player.Reader()));  // the end
  EXPECT_EQ(player.seen, (std::vector<std::string>{"S22", "S333", "S333"}));
  while (tape.StepBack()) {
  }
  EXPECT_EQ(tape.GetPosition(), 0);
  EXPECT_EQ(tape.GetRecordIndex(), 0);

  // Data read out of step: refused, the position stays at the record.
  player.skew = 1;
  EXPECT_FALSE(tape.Play(false, player.Reader()));
  EXPECT_EQ(tape.GetPosition(), 0);
  EXPECT_NE(capture.Take().find("is damaged"), std::string::npos);
  // An unknown name: refused quietly (the caller reports it).
  QVCRTape::ReadData unknown = [](const char *, QFile &) { return false; };
  EXPECT_FALSE(tape.Play(false, unknown));
  EXPECT_EQ(tape.GetPosition(), 0);
}

TEST_F(Tape, ARecordAfterSteppingBackEndsTheTape) {
  ASSERT_TRUE(tape.StepBack());
  ASSERT_TRUE(tape.StepBack());
  ASSERT_TRUE(tape.Record("S9", DataOf("S9")));
  EXPECT_EQ(ReadFile(path), Records({"S1", "S9"}));
  EXPECT_EQ(tape.GetRecordCount(), 2);
  QVCRTape again;
  ASSERT_TRUE(again.Open(path.c_str()));
  EXPECT_EQ(again.GetRecordCount(), 2);
}

TEST_F(Tape, SavingWritesTheTapeUpToItsPosition) {
  ASSERT_TRUE(tape.StepBack());
  const std::string copy = dir.Path("bc.vcr");
  dir.WriteFile("bc.vcr", "an older recording");
  ASSERT_TRUE(tape.Save(copy.c_str()));
  EXPECT_EQ(ReadFile(copy), Records({"S1", "S22"}));
  EXPECT_EQ(tape.GetPosition(), static_cast<long>(Records({"S1", "S22"}).size()));
  EXPECT_EQ(ReadFile(path), Records({"S1", "S22", "S333"}));
  EXPECT_FALSE(kiln::test::Exists(copy + ".partial"));

  // Onto the tape's own file under another name: cut there, not emptied.
  const std::string link = dir.Path("same.vcr");
  ASSERT_EQ(::link(path.c_str(), link.c_str()), 0);
  ASSERT_TRUE(tape.Save(link.c_str()));
  EXPECT_EQ(ReadFile(path), Records({"S1", "S22"}));
  // A target that can't be written leaves nothing behind.
  EXPECT_FALSE(tape.Save(dir.Path("missing/bc.vcr").c_str()));
}

TEST_F(Tape, ATapeHoldsTheRecordsThatFollowFromItsStart) {
  const std::vector<std::string> names{"S1", "S22", "S333"};
  const std::string whole = Records(names);
  const std::size_t boundaries[] = {0, 38, 77, whole.size()};
  const std::string damaged = dir.Path("damaged.vcr");
  // Cut anywhere, as a recorder killed mid-record leaves it: the complete
  // records before the cut are the tape, never the part after them, even
  // where that part ends in a name's zero padding, which reads as the
  // offset 0. Recording goes on after the last complete record.
  for (std::size_t length = 1; length <= whole.size(); ++length) {
    dir.WriteFile("damaged.vcr", whole.substr(0, length));
    int complete = 0;
    while (complete < 3 && boundaries[complete + 1] <= length) ++complete;
    capture.Take();
    QVCRTape other;
    if (complete == 0) {
      EXPECT_FALSE(other.Open(damaged.c_str())) << length;
      EXPECT_NE(capture.Take().find("is damaged at 0: "), std::string::npos) << length;
      continue;
    }
    ASSERT_TRUE(other.Open(damaged.c_str())) << length;
    ASSERT_TRUE(other.StepBack());
    Player player;
    ASSERT_TRUE(other.Play(false, player.Reader()));
    EXPECT_EQ(player.seen, std::vector<std::string>{names[static_cast<std::size_t>(complete - 1)]});
    EXPECT_EQ(other.GetRecordCount(), complete) << length;
    EXPECT_EQ(other.GetRecordsEnd(), static_cast<long>(boundaries[complete])) << length;
    const std::string said = capture.Take();
    if (length != boundaries[complete]) {
      EXPECT_NE(said.find("is damaged at " + std::to_string(boundaries[complete]) + ": "), std::string::npos) << said;
    }
    ASSERT_TRUE(other.Record("S9", DataOf("S9")));
    other.Close();
    ByteWriter next;  // starting where the last complete record ended
    next.Text(std::string("S9").append(30, '\0')).Text("dd").LE32(static_cast<uint32_t>(boundaries[complete]));
    EXPECT_EQ(ReadFile(damaged), whole.substr(0, boundaries[complete]) + next.Bytes()) << length;
  }
  // A last offset pointing forward, at the record itself, or negative: the
  // records before it.
  for (uint32_t offset : {200u, 113u, 0xFFFFFFFFu}) {
    ByteWriter bytes;
    bytes.Text(whole).PatchLE32(whole.size() - 4, offset);
    dir.WriteFile("damaged.vcr", bytes.Bytes());
    QVCRTape other;
    ASSERT_TRUE(other.Open(damaged.c_str())) << offset;
    EXPECT_EQ(other.GetRecordCount(), 2) << offset;
  }
  // The tape in use is left alone by a refused one.
  dir.WriteFile("damaged.vcr", "no tape at all, no tape at all, no tape");
  EXPECT_FALSE(tape.Open(damaged.c_str()));
  EXPECT_TRUE(tape.IsUsable());
  EXPECT_EQ(tape.GetRecordCount(), 3);

  // A name field of 32 characters without a zero was never written by a
  // recorder: no record.
  ByteWriter full;
  full.Text("S" + std::string(31, 'n')).Text(std::string(32, 'd')).LE32(0);
  dir.WriteFile("full.vcr", full.Bytes());
  QVCRTape named;
  capture.Take();
  EXPECT_FALSE(named.Open(dir.Path("full.vcr").c_str()));
  EXPECT_NE(capture.Take().find("record name without its terminating zero"), std::string::npos);
}

TEST(TapeUnusable, EveryOperationIsFalse) {
  QVCRTape tape;
  EXPECT_FALSE(tape.Create("/nonexistent/directory/temptape.vcr"));
  EXPECT_FALSE(tape.IsUsable());
  EXPECT_FALSE(tape.Record("S1", nullptr));
  EXPECT_FALSE(tape.Play(false, nullptr));
  EXPECT_FALSE(tape.StepBack());
  EXPECT_FALSE(tape.SeekEnd());
  EXPECT_FALSE(tape.Save("x.vcr"));
}

}  // namespace
