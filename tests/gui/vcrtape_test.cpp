// The VCR tape's bytes against the record layout built here, its walks
// forwards and backwards, records after stepping back, saving, and damaged
// tapes, which are refused rather than followed.
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

TEST_F(Tape, DamagedTapesAreRefusedWhole) {
  const std::string whole = Records({"S1", "S22", "S333"});
  const std::size_t boundaries[] = {0, 38, 77, whole.size()};
  const std::string damaged = dir.Path("damaged.vcr");
  // Cut anywhere: a tape that opens plays a prefix of the recording and
  // stops cleanly within the file; cut at a record's end, it counts right.
  const std::vector<std::string> recorded{"S1", "S22", "S333"};
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    dir.WriteFile("damaged.vcr", whole.substr(0, length));
    QVCRTape other;
    for (int records = 0; records < 4; ++records) {
      if (length == boundaries[records]) {
        ASSERT_TRUE(other.Open(damaged.c_str())) << length;
        EXPECT_EQ(other.GetRecordCount(), records);
      }
    }
    if (!other.IsUsable() && !other.Open(damaged.c_str())) continue;
    for (int steps = 0; steps < 10 && other.StepBack(); ++steps) {
    }
    Player player;
    for (int steps = 0; steps < 10 && other.Play(false, player.Reader()); ++steps) {
    }
    EXPECT_LE(other.GetPosition(), static_cast<long>(length));
    ASSERT_LE(player.seen.size(), recorded.size()) << length;
    for (std::size_t i = 0; i < player.seen.size(); ++i) EXPECT_EQ(player.seen[i], recorded[i]) << length;
  }
  // Offsets forward, onto the record itself, negative.
  for (uint32_t offset : {200u, 113u, 0xFFFFFFFFu}) {
    ByteWriter bytes;
    bytes.Text(whole).PatchLE32(whole.size() - 4, offset);
    dir.WriteFile("damaged.vcr", bytes.Bytes());
    QVCRTape other;
    EXPECT_FALSE(other.Open(damaged.c_str())) << offset;
  }
  // The tape in use is left alone by a refused one.
  EXPECT_TRUE(tape.IsUsable());
  EXPECT_EQ(tape.GetRecordCount(), 3);

  // A name field of 32 characters without a zero is given within them.
  ByteWriter full;
  full.Text("S" + std::string(31, 'n')).Text(std::string(32, 'd')).LE32(0);
  dir.WriteFile("full.vcr", full.Bytes());
  QVCRTape named;
  ASSERT_TRUE(named.Open(dir.Path("full.vcr").c_str()));
  ASSERT_TRUE(named.StepBack());
  Player player;
  ASSERT_TRUE(named.Play(false, player.Reader()));
  ASSERT_EQ(player.seen.size(), 1u);
  EXPECT_EQ(player.seen[0].size(), 32u);
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
