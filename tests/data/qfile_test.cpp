// QFile over disk streams and memory blocks: the same results from both.
#include <gtest/gtest.h>

#include <kiln/qfile.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <cstring>
#include <functional>
#include <string>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::TempDir;

namespace {

// Runs the same reading on a stream, a preloaded file and a caller's block
// of the same content, and checks that all three tell the same story.
void ExpectSameOnEveryBacking(const std::string &content, const std::function<std::string(QFile &)> &reading,
                              const std::string &expected) {
  TempDir dir;
  dir.WriteFile("data", content);
  std::string path = dir.Path("data");
  QFile stream(path.c_str(), QFile::READ);
  ASSERT_TRUE(stream.IsOpen());
  ASSERT_FALSE(stream.IsMemoryFile());
  EXPECT_EQ(reading(stream), expected) << "stream";
  if (!content.empty()) {
    QFile preloaded(path.c_str(), QFile::READ | QFile::MEMORY);
    ASSERT_TRUE(preloaded.IsMemoryFile());
    EXPECT_EQ(reading(preloaded), expected) << "preloaded";
  }
  std::string copy = content;
  QFile block("block", copy.empty() ? nullptr : &copy[0], static_cast<long>(copy.size()));
  if (!copy.empty()) {
    EXPECT_EQ(reading(block), expected) << "block";
  }
}

std::string Lines(QFile &file) {
  std::string out;
  char line[64];
  for (int guard = 0; guard < 20; ++guard) {
    int c = file.ReadByte();
    if (c == -1) break;
    file.UnGetChar(c);
    file.GetLine(line, sizeof line);
    out += std::string("[") + line + "]";
  }
  return out;
}

std::string Tokens(QFile &file) {
  std::string out;
  char token[64];
  for (int guard = 0; guard < 20; ++guard) {
    file.GetString(token, sizeof token);
    if (!*token && file.IsEOF()) break;
    out += std::string("<") + token + ">";
  }
  return out;
}

TEST(QFileText, LinesAreTheSameFromStreamAndMemory) {
  ExpectSameOnEveryBacking("ab", Lines, "[ab]");
  ExpectSameOnEveryBacking("one\r\ntwo\n\nlast", Lines, "[one][two][][last]");
  ExpectSameOnEveryBacking("x\n", Lines, "[x]");
  std::string longLine(100, 'l');
  // 63 bytes a call at most: the rest of the line comes with the next call.
  ExpectSameOnEveryBacking(longLine + "\n", Lines, "[" + std::string(63, 'l') + "][" + std::string(37, 'l') + "]");
}

TEST(QFileText, TokensBlankSeparatedAndQuoted) {
  ExpectSameOnEveryBacking("  \"a b\"  c", Tokens, "<a b><c>");
  ExpectSameOnEveryBacking("one\ttwo\r\nthree", Tokens, "<one><two><three>");
  ExpectSameOnEveryBacking("\"line\nbreak\" end", Tokens, "<line\nbreak><end>");
  ExpectSameOnEveryBacking("\"unterminated", Tokens, "<unterminated>");
  ExpectSameOnEveryBacking("last\xff", Tokens, "<last\xff>");  // a 0xFF byte is data, not the end
}

TEST(QFileText, TokenLimitDropsTheByteInHand) {
  ExpectSameOnEveryBacking(
      "abcdef x",
      [](QFile &file) {
        char token[8];
        file.GetString(token, 3);
        std::string out = token;
        out += static_cast<char>(file.GetChar());
        return out;
      },
      "abd");
}

TEST(QFileText, FindLineAndSkipWhite) {
  ExpectSameOnEveryBacking(
      "header\n[section]\nafter",
      [](QFile &file) {
        std::string out = file.FindLine("[section]") ? "found:" : "missing:";
        char line[32];
        file.GetLine(line, sizeof line);
        out += line;
        out += file.FindLine("nothing") ? ":again" : ":end";
        return out;
      },
      "found:after:end");
  ExpectSameOnEveryBacking(
      " \t\r\n x",
      [](QFile &file) {
        file.SkipWhite();
        std::string out(1, static_cast<char>(file.GetChar()));
        file.SkipWhite();
        out += file.IsEOF() ? "|eof" : "|more";
        return out;
      },
      "x|eof");
}

TEST(QFileBytes, PushBackComesFirst) {
  ExpectSameOnEveryBacking(
      "bcd",
      [](QFile &file) {
        file.UnGetChar('a');
        char bytes[8] = {};
        long got = file.Read(bytes, 1);
        std::string out = std::to_string(got) + bytes;
        file.UnGetChar('z');
        got = file.Read(bytes, 4);
        out += ":" + std::to_string(got) + std::string(bytes, 4);
        file.UnGetChar('q');
        out += file.IsEOF() ? ":eof" : ":held";
        out += static_cast<char>(file.GetChar());
        return out;
      },
      "1a:4zbcd:heldq");
}

TEST(QFileBytes, IntegersInBothByteOrders) {
  ExpectSameOnEveryBacking(
      std::string("\x01\x02\x03\x04\xff\xfe\x80\x00\x00\x80", 10),
      [](QFile &file) {
        int32_t big = 0, little = 0;
        int16_t bigShort = 0, littleShort = 0;
        int counts[4];
        counts[0] = file.ReadBE32(&big);
        counts[1] = file.ReadLE16(&littleShort);
        counts[2] = file.ReadBE16(&bigShort);
        counts[3] = file.ReadLE32(&little);  // two bytes left
        return std::to_string(counts[0]) + ":" + std::to_string(big) + " " + std::to_string(counts[1]) + ":" +
               std::to_string(littleShort) + " " + std::to_string(counts[2]) + ":" + std::to_string(bigShort) +
               " " + std::to_string(counts[3]);
      },
      "4:16909060 2:-257 2:-32768 2");
}

TEST(QFileBytes, ByteValuesAndEnds) {
  TempDir dir;
  dir.WriteFile("bytes", std::string("\x00\xff", 2));
  QFile stream(dir.Path("bytes").c_str(), QFile::READ);
  EXPECT_EQ(stream.GetChar(), 0);
  EXPECT_EQ(stream.GetChar(), -1);
  EXPECT_FALSE(stream.IsEOF());  // a byte of 0xFF, not the end
  EXPECT_EQ(stream.GetChar(), -1);
  EXPECT_TRUE(stream.IsEOF());
  QFile memory(dir.Path("bytes").c_str(), QFile::READ | QFile::MEMORY);
  EXPECT_EQ(memory.GetChar(), 0);
  EXPECT_EQ(memory.GetChar(), -1);
  EXPECT_TRUE(memory.IsEOF());
  EXPECT_EQ(memory.GetChar(), 0);  // a memory file gives 0 at its end
}

TEST(QFilePosition, MemorySeeksAreClamped) {
  char block[10] = "012345678";
  QFile file("block", block, 10);
  EXPECT_EQ(file.Seek(1000, QFile::S_SET), 1);
  EXPECT_EQ(file.Tell(), 10);
  EXPECT_EQ(file.Seek(20, QFile::S_END), 1);
  EXPECT_EQ(file.Tell(), 0);
  file.Seek(-5, QFile::S_SET);
  EXPECT_EQ(file.Tell(), 0);
  file.Seek(3, QFile::S_CUR);
  file.Seek(-1, QFile::S_CUR);
  EXPECT_EQ(file.Tell(), 2);
  EXPECT_EQ(file.Seek(0, 7), 0);
  EXPECT_EQ(file.Size(), 10);
  EXPECT_EQ(file.Flush(), 0);
}

TEST(QFilePosition, StreamSizeKeepsThePosition) {
  TempDir dir;
  dir.WriteFile("f", "0123456789");
  QFile file(dir.Path("f").c_str(), QFile::READ);
  file.Seek(4, QFile::S_SET);
  EXPECT_EQ(file.Size(), 10);
  EXPECT_EQ(file.Tell(), 4);
  file.Seek(0, QFile::S_END);
  EXPECT_EQ(file.Tell(), 10);
}

// The position is kept by the file rather than asked of stdio: it must
// follow every transfer, the end of the data and appending writes.
TEST(QFilePosition, FollowsEveryTransfer) {
  TempDir dir;
  dir.WriteFile("log", "start\n");
  QFile file(dir.Path("f").c_str(), QFile::WRITE_READ);
  file.Write("0123456789", 10);
  file.PutChar('a');
  file.WriteLE32(7);
  EXPECT_EQ(file.Tell(), 15);
  file.Seek(-6, QFile::S_CUR);
  EXPECT_EQ(file.GetChar(), '9');
  EXPECT_EQ(file.ReadByte(), 'a');
  char rest[20];
  EXPECT_EQ(file.Read(rest, 20), 4);  // to the end only
  EXPECT_EQ(file.Tell(), 15);
  EXPECT_EQ(file.GetChar(), -1);
  EXPECT_EQ(file.Tell(), 15);
  file.Seek(-3, QFile::S_END);
  EXPECT_EQ(file.Tell(), 12);
  file.Seek(-1, QFile::S_SET);  // refused: the position stays known
  EXPECT_EQ(file.Tell(), 12);
  QFile log(dir.Path("log").c_str(), QFile::APPEND_READ_TEXT);
  log.Seek(0, QFile::S_SET);
  log.Write("more\n", 5);
  EXPECT_EQ(log.Tell(), 11);
}

TEST(QFileWriting, StreamsWriteMemoryFilesRefuse) {
  TempDir dir;
  std::string path = dir.Path("out.bin");
  {
    QFile file(path.c_str(), QFile::WRITE);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Write("ab", 2), 2);
    EXPECT_EQ(file.PutChar(0x143), 1);  // the low byte
    EXPECT_EQ(file.WriteLE32(0x01020304), 4);
    EXPECT_EQ(file.WriteLE16(-2), 2);
  }
  EXPECT_EQ(kiln::test::ReadFile(path), std::string("abC\x04\x03\x02\x01\xfe\xff", 9));
  MessageCapture capture;
  char block[4] = "abc";
  QFile memory("block", block, 3);
  EXPECT_EQ(memory.Write("x", 1), 0);
  EXPECT_EQ(memory.WriteLE32(1), 0);
  EXPECT_EQ(memory.PutChar('x'), 0);
  EXPECT_EQ(capture.Take(), "QFile:PutChar() not supported for memory files\n");
  EXPECT_STREQ(block, "abc");
}

TEST(QFileWriting, AppendModes) {
  TempDir dir;
  dir.WriteFile("log", "start\n");
  {
    QFile file(dir.Path("log").c_str(), QFile::APPEND_TEXT);
    file.Write("more\n", 5);
  }
  EXPECT_EQ(kiln::test::ReadFile(dir.Path("log")), "start\nmore\n");
  QFile none(dir.Path("log").c_str(), 9);  // no such mode: nothing opens
  EXPECT_FALSE(none.IsOpen());
  EXPECT_TRUE(none.IsEOF());
  EXPECT_EQ(none.Tell(), 0);
  EXPECT_EQ(none.Read(nullptr, 0), 0);
}

TEST(QFileRecords, StringRecordsRoundTrip) {
  TempDir dir;
  std::string path = dir.Path("records");
  {
    QFile file(path.c_str(), QFile::WRITE);
    EXPECT_EQ(file.Write(qstring("name")), 6);
    EXPECT_EQ(file.Write(qstring("")), 2);
    qstring wide;
    wide = U"wide";
    EXPECT_EQ(file.Write(wide), 18);
    MessageCapture capture;
    std::string huge(40000, 'h');
    EXPECT_EQ(file.Write(qstring(huge.c_str())), 0);
    EXPECT_NE(capture.Take().find("too long for a record"), std::string::npos);
    EXPECT_EQ(file.Write(qstring(std::string(32767, 'm').c_str())), 32769);
  }
  QFile file(path.c_str(), QFile::READ | QFile::MEMORY);
  qstring text("untouched");
  EXPECT_EQ(file.Read(text), 4);
  EXPECT_STREQ(text.CStr(), "name");
  EXPECT_EQ(file.Read(text), 0);
  EXPECT_STREQ(text.CStr(), "");
  EXPECT_EQ(file.Read(text), 16);
  EXPECT_STREQ(text.CStr(), "<unicodestr-nyi>");
  EXPECT_EQ(file.Read(text), 32767);
  EXPECT_EQ(std::string(text.CStr()), std::string(32767, 'm'));
}

TEST(QFileRecords, ShortRecordsNeverShowOldBytes) {
  // A first read fills the shared buffer with x; a record cut short must not
  // show them.
  char data[] = "\x05\x00" "xxxxx" "\x05\x00" "ab";
  QFile file("block", data, 11);
  qstring text;
  EXPECT_EQ(file.Read(text), 5);
  EXPECT_EQ(file.Read(text), 2);
  EXPECT_STREQ(text.CStr(), "ab");
  char negative[] = "\x00\x80" "zz";
  QFile corrupt("block", negative, 4);
  EXPECT_EQ(corrupt.Read(text), 0);
  EXPECT_STREQ(text.CStr(), "");
  QFile closed("/nonexistent/kiln", QFile::READ);
  qstring kept("kept");
  EXPECT_EQ(closed.Read(kept), 0);
  EXPECT_STREQ(kept.CStr(), "kept");
}

TEST(QFileMemoryFlag, IncompatibleModesAreReported) {
  TempDir dir;
  dir.WriteFile("text", "content\n");
  MessageCapture capture;
  QFile text(dir.Path("text").c_str(), QFile::READ_TEXT | QFile::MEMORY);
  EXPECT_TRUE(text.IsOpen());
  EXPECT_FALSE(text.IsMemoryFile());
  EXPECT_EQ(capture.Take(),
            "** Error: QFile ctor: READ_TEXT and MEMORY flags are incompatible (buggy); turning off MEMORY\n");
  std::string out = dir.Path("out");
  QFile writable(out.c_str(), QFile::WRITE | QFile::MEMORY);
  EXPECT_EQ(capture.Take(), "QFile:ctor MEMORY req'd for '" + out + "' but incompatible mode given\n");
  EXPECT_EQ(writable.Write("ok", 2), 2);
  QFile missing(dir.Path("missing").c_str(), QFile::READ | QFile::MEMORY);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(capture.Take(), "");
  dir.WriteFile("empty", "");
  QFile empty(dir.Path("empty").c_str(), QFile::READ | QFile::MEMORY);
  EXPECT_TRUE(empty.IsOpen());
  EXPECT_FALSE(empty.IsMemoryFile());
  EXPECT_TRUE(std::string(empty.GetName()) == dir.Path("empty"));
}

TEST(QFileMemoryFlag, BlockHandedOverIsFreedWithTheFile) {
  auto *block = static_cast<char *>(QMalloc(4));
  std::memcpy(block, "data", 4);
  QFile file("block", block, 4);
  file.SetOwnsMemory();  // LeakSanitizer would report it otherwise
  char out[4];
  EXPECT_EQ(file.Read(out, 4), 4);
}

}  // namespace
