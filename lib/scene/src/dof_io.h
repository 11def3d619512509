// The pieces of model-file chunks: four-byte tags, 32-bit little-endian
// integers and lengths, arrays moved whole, length-prefixed strings, and
// walks over sub-chunks that never leave the chunk that holds them.
// Model files come from other programs and may be damaged: every count and
// length is checked against the room it claims before anything is
// allocated for it.
#pragma once

#include <cstdint>
#include <cstring>

class QFile;
class qstring;

namespace kiln::dof {

// A tag as text, terminated.
struct Tag {
  char text[5] = {};
  bool Is(const char *name) const { return std::memcmp(text, name, 4) == 0; }
};

// A sub-chunk: its tag, and where its contents begin and end.
struct Span {
  Tag tag;
  long start = 0;
  long end = 0;
  long Length() const { return end - start; }
};

class Reader {
public:
  explicit Reader(QFile *file);

  long Position() const;
  long FileSize() const { return fileSize; }
  bool Seek(long position);

  bool ReadTag(Tag *tag);
  bool ReadInt(int32_t *value);
  // An array of `count` items of four (or two) bytes, in one read.
  bool ReadInts(int32_t *values, long count);
  bool ReadFloats(float *values, long count);
  bool ReadShorts(uint16_t *values, long count);
  // A 16-bit little-endian length and the characters; false when they run
  // past `end`.
  bool ReadString(qstring *text, long end);

  // The tag and length of the next sub-chunk of a chunk ending at `end`;
  // a bare closing tag (`closing`) has no length. False, with `damage` set,
  // when the chunk ends first or the length is negative or runs past it.
  bool NextSpan(long end, const char *closing, Span *span, bool *closed);
  // Whether `count` items of `size` bytes after the count fit in the span.
  static bool CountFits(const Span &span, int32_t count, long size);

private:
  bool ReadBytes(void *out, long bytes);

  QFile *file;
  long fileSize;
};

class Writer {
public:
  explicit Writer(QFile *file) : file(file) {}

  Writer &Tag(const char *tag);
  Writer &Int(int32_t value);
  Writer &Ints(const int32_t *values, long count);
  Writer &Floats(const float *values, long count);
  Writer &Shorts(const uint16_t *values, long count);
  Writer &String(const char *text);
  // A length field written as 0, to be filled in by EndLength(): the bytes
  // written after it.
  long BeginLength();
  Writer &EndLength(long at);

  // False when any write or seek failed.
  bool Ok() const { return ok; }
  // Flushes what is buffered (where a full disk shows); false on any failure.
  bool Finish();

private:
  Writer &Bytes(const void *data, long bytes);

  QFile *file;
  bool ok = true;
};

}  // namespace kiln::dof
