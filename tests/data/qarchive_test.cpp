// Archives: exact encodings, round trips, and damaged or hostile files.
#include <gtest/gtest.h>

#include <kiln/qarchive.h>
#include <kiln/qfile.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Encode(const Bytes &input) {
  TempDir dir;
  QArchive archive(dir.Path("scratch.ar").c_str(), AR_CREATE);
  Bytes out(input.size() + 1);
  out.resize(static_cast<std::size_t>(archive.CompressChunk(input.data(), out.data(), static_cast<int>(input.size()))));
  return out;
}

Bytes Decode(const Bytes &chunk, int capacity = 16388) {
  TempDir dir;
  QArchive archive(dir.Path("scratch.ar").c_str(), AR_CREATE);
  Bytes out(static_cast<std::size_t>(capacity));
  int length = archive.DecompressChunk(chunk.data(), out.data(), static_cast<int>(chunk.size()), capacity);
  if (length < 0) return {0xDE, 0xAD};
  out.resize(static_cast<std::size_t>(length));
  return out;
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto &b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

Bytes Text(std::size_t size) {
  static const char kWords[] = "the archive holds many files; each entry is cut into chunks and compressed. ";
  Bytes bytes;
  while (bytes.size() < size) bytes.push_back(static_cast<uint8_t>(kWords[bytes.size() % (sizeof kWords - 1)]));
  return bytes;
}

TEST(ArchiveCodec, EqualBytesBecomeRunItems) {
  Bytes input(16384, 'z');
  Bytes expected = {0x40, 0xF4, 0x00};  // four runs, a literal, a copy: 111101 then zeros
  for (int i = 0; i < 4; ++i) expected.insert(expected.end(), {0x00, 0x0F, 0xEF, 'z'});  // 4095 = 16 + 0xFEF
  expected.insert(expected.end(), {'z', 0x00, 0x10});  // literal, then offset 1 length 3
  EXPECT_EQ(Encode(input), expected);
  EXPECT_EQ(Decode(expected), input);
}

TEST(ArchiveCodec, RepeatedPatternBecomesCopyItems) {
  Bytes input;
  for (int i = 0; i < 20; ++i) input.insert(input.end(), {'a', 'b', 'c'});
  Bytes expected = {0x40, 0x1E, 0x00, 'a', 'b', 'c', 0x00, 0x3F, 0x01, 0x2F, 0x01, 0x2F, 0x01, 0x20};
  EXPECT_EQ(Encode(input), expected);
  EXPECT_EQ(Decode(expected), input);
}

TEST(ArchiveCodec, RandomDataIsStored) {
  Bytes input = RandomBytes(5000, 1);
  Bytes encoded = Encode(input);
  ASSERT_EQ(encoded.size(), input.size() + 1);
  EXPECT_EQ(encoded[0], 0x80);
  EXPECT_TRUE(std::equal(input.begin(), input.end(), encoded.begin() + 1));
  EXPECT_EQ(Decode(encoded), input);
}

TEST(ArchiveCodec, RoundTripsOfManyKinds) {
  std::vector<Bytes> inputs = {Bytes{7}, Bytes{1, 2}, Bytes(17, 9), Bytes(15, 9), Text(16384), Text(1000),
                               RandomBytes(16384, 2)};
  Bytes mixed = Text(6000);
  Bytes random = RandomBytes(4000, 3);
  mixed.insert(mixed.end(), random.begin(), random.end());
  mixed.insert(mixed.end(), 5000, 0);
  inputs.push_back(mixed);
  Bytes shortRuns;
  for (int i = 0; i < 3000; ++i) shortRuns.insert(shortRuns.end(), static_cast<std::size_t>(i % 20 + 1), static_cast<uint8_t>(i));
  shortRuns.resize(16384);
  inputs.push_back(shortRuns);
  for (const Bytes &input : inputs) {
    Bytes encoded = Encode(input);
    EXPECT_LE(encoded.size(), input.size() + 1);
    EXPECT_EQ(Decode(encoded), input) << "input of " << input.size() << " bytes";
  }
}

TEST(ArchiveCodec, DamagedChunksAreRefused) {
  EXPECT_EQ(Decode({0x40, 0x80, 0x00, 0x00, 0x10}), (Bytes{0xDE, 0xAD}));        // copy before the start
  EXPECT_EQ(Decode({0x40, 0x80, 0x00, 0x00}), (Bytes{0xDE, 0xAD}));              // copy item cut off
  EXPECT_EQ(Decode({0x40, 0x80, 0x00, 0x00, 0x00, 0x00}), (Bytes{0xDE, 0xAD}));  // run item cut off
  EXPECT_EQ(Decode({0x40, 0x12}), (Bytes{0xDE, 0xAD}));                          // control word cut off
  EXPECT_EQ(Decode({0x40, 0x80, 0x00, 0x00, 0xFF, 0xFF, 'x'}), (Bytes{0xDE, 0xAD}));  // run beyond the buffer
  EXPECT_EQ(Decode({0x80, 1, 2, 3}, 2), (Bytes{0xDE, 0xAD}));                    // stored beyond the capacity
  EXPECT_EQ(Decode({0x40, 0x00, 0x00, 'a', 'b'}), (Bytes{'a', 'b'}));
  EXPECT_EQ(Decode({0x40}), Bytes{});
}

class ArchiveFiles : public ::testing::Test {
protected:
  std::string Write(const std::string &name, const Bytes &content) {
    dir.WriteFile(name, std::string(content.begin(), content.end()));
    return dir.Path(name);
  }
  std::string Path(const std::string &name) const { return dir.Path(name); }

  Bytes Entry(QArchive &archive, const char *name) {
    void *block = nullptr;
    int size = 0;
    if (!archive.ReadEntry(name, &block, &size)) return {0xDE, 0xAD};
    Bytes bytes(static_cast<uint8_t *>(block), static_cast<uint8_t *>(block) + size);
    QFree(block);
    return bytes;
  }

  TempDir dir;
  MessageCapture capture;
};

TEST_F(ArchiveFiles, NewArchiveIsMagicAndAnEmptyDirectory) {
  { QArchive archive(Path("new.ar").c_str(), AR_CREATE); }
  EXPECT_EQ(ReadFile(Path("new.ar")), std::string("AR01\x04\x00\x00\x00", 8));
  QArchive archive(Path("new.ar").c_str(), AR_READ);
  EXPECT_TRUE(archive.IsOpen());
  qstring name;
  EXPECT_FALSE(archive.GetNextEntry(name, nullptr, nullptr));
}

TEST_F(ArchiveFiles, EntriesOfEverySizeComeBackExactly) {
  std::vector<std::pair<std::string, Bytes>> files = {
      {"empty", {}},          {"one", {42}},
      {"runs", Bytes(50000, 'r')}, {"text", Text(40000)},
      {"random", RandomBytes(30000, 4)}, {"exact", Text(16384)},
      {"over", Text(16385)},   {"many", RandomBytes(100000, 5)}};
  {
    QArchive archive(Path("all.ar").c_str(), AR_CREATE);
    for (const auto &file : files) ASSERT_TRUE(archive.AddFile(Write(file.first, file.second).c_str(), file.first.c_str()));
  }
  QArchive archive(Path("all.ar").c_str(), AR_READ);
  ASSERT_TRUE(archive.IsOpen());
  for (const auto &file : files) {
    if (file.second.empty()) continue;
    EXPECT_EQ(Entry(archive, file.first.c_str()), file.second) << file.first;
  }
  // An empty entry: size 0, refused by ReadEntry, extracted as an empty file.
  void *block = nullptr;
  int size = 0;
  EXPECT_FALSE(archive.ReadEntry("empty", &block, &size));
  ASSERT_TRUE(archive.ExtractFile("empty", Path("empty.out").c_str()));
  EXPECT_EQ(ReadFile(Path("empty.out")), "");
  ASSERT_TRUE(archive.ExtractFile("many", Path("many.out").c_str()));
  EXPECT_EQ(ReadFile(Path("many.out")), ReadFile(Path("many")));
  std::vector<std::string> names;
  std::vector<int> sizes;
  qstring name;
  int entrySize = 0;
  archive.Rewind();
  while (archive.GetNextEntry(name, nullptr, &entrySize)) {
    names.push_back(name.CStr());
    sizes.push_back(entrySize);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"empty", "one", "runs", "text", "random", "exact", "over", "many"}));
  EXPECT_EQ(sizes, (std::vector<int>{0, 1, 50000, 40000, 30000, 16384, 16385, 100000}));
  ASSERT_TRUE(archive.FindFile("text", true));
  EXPECT_EQ(archive.GetEntrySize(), 40000);
  std::unique_ptr<QFile> file(archive.OpenFile("text"));
  ASSERT_TRUE(file);
  EXPECT_EQ(file->Size(), 40000);
  char start[4] = {};
  file->Read(start, 3);
  EXPECT_STREQ(start, "the");
}

TEST_F(ArchiveFiles, StreamedEntriesComeChunkByChunk) {
  {
    QArchive archive(Path("s.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("text", Text(40000)).c_str(), "text");
    archive.AddFile(Write("empty", {}).c_str(), "empty");
  }
  std::vector<int> chunks;
  Bytes got;
  auto collect = [&](const uint8_t *data, int length) {
    chunks.push_back(length);
    got.insert(got.end(), data, data + length);
    return true;
  };
  {
    QArchive archive(Path("s.ar").c_str(), AR_READ);
    ASSERT_TRUE(archive.StreamEntry("text", collect));
    EXPECT_EQ(chunks, (std::vector<int>{16384, 16384, 7232}));
    EXPECT_EQ(got, Text(40000));
    chunks.clear();
    EXPECT_TRUE(archive.StreamEntry("empty", collect));
    EXPECT_TRUE(chunks.empty());
    int calls = 0;
    EXPECT_FALSE(archive.StreamEntry("text", [&](const uint8_t *, int) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(archive.StreamEntry("missing", collect));
  }

  // The second chunk's length beyond the limit: the first chunk has been
  // handed over when the decoding fails.
  std::string good = ReadFile(Path("s.ar"));
  const std::size_t second = 5 + 2 + (static_cast<uint8_t>(good[5]) | static_cast<uint8_t>(good[6]) << 8);
  std::string damaged = good;
  damaged[second] = damaged[second + 1] = '\xFF';
  dir.WriteFile("damaged.ar", damaged);
  got.clear();
  {
    QArchive archive(Path("damaged.ar").c_str(), AR_READ);
    EXPECT_FALSE(archive.StreamEntry("text", collect));
    EXPECT_EQ(got, Bytes(Text(16384)));
  }
  EXPECT_NE(capture.Take().find("attempt to read decompress chunk of size 65535"), std::string::npos);

  // A record whose size is not the entry's.
  std::string misrecorded = good;
  const std::size_t record = good.find(std::string("text\0", 5)) + 5 + 4;
  misrecorded[record] = static_cast<char>(misrecorded[record] + 1);
  dir.WriteFile("misrecorded.ar", misrecorded);
  QArchive archive(Path("misrecorded.ar").c_str(), AR_READ);
  EXPECT_FALSE(archive.StreamEntry("text", collect));
  EXPECT_NE(capture.Take().find("entry 'text' holds 40000 bytes instead of 40001"), std::string::npos);
}

TEST_F(ArchiveFiles, EmptyEntryIsATagAndAZeroLength) {
  {
    QArchive archive(Path("e.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("nothing", {}).c_str(), "nothing");
  }
  std::string bytes = ReadFile(Path("e.ar"));
  EXPECT_EQ(bytes, std::string("AR01D\x00\x00nothing\x00\x04\x00\x00\x00\x00\x00\x00\x00\x07\x00\x00\x00", 27));
}

TEST_F(ArchiveFiles, DuplicateNamesKeepTwoLinesAndTheFirstWins) {
  {
    QArchive archive(Path("dup.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("first", Text(100)).c_str(), "same");
    archive.AddFile(Write("second", Bytes(10, 'x')).c_str(), "same");
  }
  QArchive archive(Path("dup.ar").c_str(), AR_READ);
  EXPECT_EQ(Entry(archive, "same"), Text(100));
  capture.Take();
  ASSERT_TRUE(archive.FindFile("same", false));
  EXPECT_EQ(capture.Take(), "QAr:FF: check 'same' to match 'same'\n");
  qstring name;
  int count = 0;
  archive.Rewind();
  while (archive.GetNextEntry(name, nullptr, nullptr)) ++count;
  EXPECT_EQ(count, 2);
}

TEST_F(ArchiveFiles, UpdateAddsToAnExistingArchiveOnly) {
  {
    QArchive archive(Path("u.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("a", Text(10)).c_str(), "a");
  }
  {
    QArchive archive(Path("u.ar").c_str(), AR_UPDATE);
    ASSERT_TRUE(archive.IsOpen());
    ASSERT_TRUE(archive.AddFile(Write("b", Text(20)).c_str(), "b"));
  }
  QArchive archive(Path("u.ar").c_str(), AR_READ);
  EXPECT_EQ(Entry(archive, "a"), Text(10));
  EXPECT_EQ(Entry(archive, "b"), Text(20));
  capture.Take();
  std::string plain = Write("plain.txt", Text(500));
  QArchive notAnArchive(plain.c_str(), AR_UPDATE);
  EXPECT_FALSE(notAnArchive.IsOpen());
  EXPECT_EQ(capture.Take(), "** Error: QArchive: '" + plain + "' is not an archive\n");
  Bytes text = Text(500);
  EXPECT_EQ(ReadFile(plain), std::string(text.begin(), text.end()));
  QArchive reading(plain.c_str(), AR_READ);  // silently not an archive
  EXPECT_FALSE(reading.IsOpen());
  EXPECT_EQ(capture.Take(), "");
}

TEST_F(ArchiveFiles, MissingSourceIsRecordedWithoutData) {
  testing::internal::CaptureStdout();
  {
    QArchive archive(Path("m.ar").c_str(), AR_CREATE);
    EXPECT_FALSE(archive.AddFile(Path("absent").c_str(), "absent"));
    EXPECT_TRUE(archive.AddFile(Write("present", Text(5)).c_str(), "present"));
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "** ERROR: '" + Path("absent") + "' not found!\n");
  QArchive archive(Path("m.ar").c_str(), AR_READ);
  qstring name;
  int size = 0;
  ASSERT_TRUE(archive.GetNextEntry(name, nullptr, &size));
  EXPECT_EQ(size, -1);
  EXPECT_FALSE(archive.ExtractFile("absent", Path("absent.out").c_str()));
  EXPECT_EQ(Entry(archive, "absent"), (Bytes{0xDE, 0xAD}));
  EXPECT_EQ(Entry(archive, "present"), Text(5));
}

TEST_F(ArchiveFiles, ProgressCanStopAnExtraction) {
  {
    QArchive archive(Path("p.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("big", Text(40000)).c_str(), "big");
  }
  QArchive archive(Path("p.ar").c_str(), AR_READ);
  static std::vector<std::pair<int, int>> calls;
  calls.clear();
  archive.SetProgressCallback([](void *, int current, int total) {
    calls.emplace_back(current, total);
    return true;
  }, nullptr);
  ASSERT_TRUE(archive.ExtractFile("big", Path("big.out").c_str()));
  ASSERT_EQ(calls.size(), 3u);  // one call a chunk
  EXPECT_LT(calls[0].first, calls[1].first);
  EXPECT_EQ(calls[0].second, calls[2].second);
  archive.SetProgressCallback([](void *, int, int) { return false; }, nullptr);
  EXPECT_FALSE(archive.ExtractFile("big", Path("stopped.out").c_str()));
  EXPECT_TRUE(kiln::test::Exists(Path("stopped.out")));  // opened before the first chunk
}

TEST_F(ArchiveFiles, DamagedArchivesFailCleanly) {
  {
    QArchive archive(Path("good.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("text", Text(30000)).c_str(), "text");
    archive.AddFile(Write("random", RandomBytes(20000, 6)).c_str(), "random");
  }
  std::string good = ReadFile(Path("good.ar"));
  auto tryArchive = [&](const std::string &bytes) {
    dir.WriteFile("bad.ar", bytes);
    QArchive archive(Path("bad.ar").c_str(), AR_READ);
    if (!archive.IsOpen()) return std::string("closed");
    std::string result;
    for (const char *name : {"text", "random"}) {
      void *block = nullptr;
      int size = 0;
      bool read = archive.ReadEntry(name, &block, &size);
      QFree(block);
      result += read ? "+" : "-";
    }
    return result;
  };
  EXPECT_EQ(tryArchive(good), "++");
  // Every cut of the file, and every flipped byte: no crash, no hang.
  for (std::size_t cut = 0; cut < good.size(); cut += 97) tryArchive(good.substr(0, cut));
  for (std::size_t at = 0; at < good.size(); at += 13) {
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
    tryArchive(flipped);
  }
  // Directory offsets outside the file or inside the header.
  for (uint32_t offset : {0u, 3u, static_cast<uint32_t>(good.size()), 0xFFFFFFF0u}) {
    std::string bad = good;
    std::memcpy(&bad[bad.size() - 4], &offset, 4);
    EXPECT_EQ(tryArchive(bad), "closed") << offset;
  }
  // A directory entry cut in the middle.
  std::string cutDirectory = good.substr(0, good.size() - 10) + good.substr(good.size() - 4);
  EXPECT_EQ(tryArchive(cutDirectory), "closed");
  capture.Take();
}

TEST_F(ArchiveFiles, FailedAddKeepsTheOldEntries) {
  kiln::test::SmallFileSystem small(Path("mnt"), "64k");
  if (!small.IsMounted()) GTEST_SKIP() << "needs root to mount a small file system";
  std::string path = small.path() + "/a.ar";
  std::string big = Write("big", RandomBytes(200000, 7));
  {
    QArchive archive(path.c_str(), AR_CREATE);
    ASSERT_TRUE(archive.AddFile(Write("small", Text(3000)).c_str(), "small")) << capture.Take();
    EXPECT_FALSE(archive.AddFile(big.c_str(), "big"));  // does not fit
    EXPECT_NE(capture.Take().find("the archive keeps its old entries"), std::string::npos);
    EXPECT_EQ(Entry(archive, "small"), Text(3000));
  }
  QArchive archive(path.c_str(), AR_READ);
  EXPECT_TRUE(archive.IsOpen());
  EXPECT_EQ(Entry(archive, "small"), Text(3000));
  qstring name;
  int count = 0;
  archive.Rewind();
  while (archive.GetNextEntry(name, nullptr, nullptr)) ++count;
  EXPECT_EQ(count, 1);
}

TEST_F(ArchiveFiles, OpeningFailuresAreReported) {
  QArchive missing(Path("missing.ar").c_str(), AR_READ);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(capture.Take(), "QArchive: can't open '" + Path("missing.ar") + "'\n");
  qstring name;
  EXPECT_FALSE(missing.Rewind());
  EXPECT_FALSE(missing.GetNextEntry(name, nullptr, nullptr));
  EXPECT_FALSE(missing.AddFile("x", "x"));
  EXPECT_FALSE(missing.FindFile("x", true));
  QArchive readOnly(Path("missing.ar").c_str(), 7);
  EXPECT_FALSE(readOnly.IsOpen());
  capture.Take();
}

TEST_F(ArchiveFiles, OutputThatCannotBeOpenedIsAnError) {
  {
    QArchive archive(Path("o.ar").c_str(), AR_CREATE);
    archive.AddFile(Write("a", Text(10)).c_str(), "a");
  }
  QArchive archive(Path("o.ar").c_str(), AR_READ);
  capture.Take();
  EXPECT_FALSE(archive.ExtractFile("a", Path("no/such/dir/a").c_str()));
  EXPECT_EQ(capture.Take(), "ExtractFile(dst=" + Path("no/such/dir/a") + ")\n** Error: Can't open '" +
                                Path("no/such/dir/a") + "' for output\n");
  EXPECT_FALSE(archive.ExtractFile("not there", Path("x").c_str()));
}

}  // namespace
