#include "dof_io.h"

#include <kiln/qfile.h>
#include <kiln/qstring.h>

#include <climits>
#include <memory>

namespace kiln::dof {
namespace {

// The files are little-endian; items are moved whole and put in the
// machine's order in place.
template <typename Item>
void FromLittleEndian(Item *items, long count) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  auto *bytes = reinterpret_cast<unsigned char *>(items);
  for (long i = 0; i < count; ++i, bytes += sizeof(Item)) std::reverse(bytes, bytes + sizeof(Item));
#else
  (void)items;
  (void)count;
#endif
}

}  // namespace

Reader::Reader(QFile *file) : file(file), fileSize(file->Size()) {}

long Reader::Position() const { return file->Tell(); }

bool Reader::Seek(long position) {
  return position >= 0 && position <= fileSize && file->Seek(position, QFile::S_SET) && file->Tell() == position;
}

bool Reader::ReadBytes(void *out, long bytes) { return bytes == 0 || file->Read(out, bytes) == bytes; }

bool Reader::ReadTag(Tag *tag) {
  *tag = Tag();
  return ReadBytes(tag->text, 4);
}

bool Reader::ReadInt(int32_t *value) { return ReadInts(value, 1); }

bool Reader::ReadInts(int32_t *values, long count) {
  if (!ReadBytes(values, count * 4)) return false;
  FromLittleEndian(values, count);
  return true;
}

bool Reader::ReadFloats(float *values, long count) {
  // Raw 32-bit patterns: a float is never converted on the way.
  if (!ReadBytes(values, count * 4)) return false;
  FromLittleEndian(reinterpret_cast<uint32_t *>(values), count);
  return true;
}

bool Reader::ReadShorts(uint16_t *values, long count) {
  if (!ReadBytes(values, count * 2)) return false;
  FromLittleEndian(values, count);
  return true;
}

bool Reader::ReadString(qstring *text, long end) {
  uint16_t length;
  if (Position() + 2 > end || !ReadShorts(&length, 1) || Position() + length > end) return false;
  std::unique_ptr<char[]> characters(new char[length + 1u]);
  if (!ReadBytes(characters.get(), length)) return false;
  characters[length] = '\0';
  *text = characters.get();
  return true;
}

bool Reader::NextSpan(long end, const char *closing, Span *span, bool *closed) {
  *closed = false;
  if (Position() + 4 > end || !ReadTag(&span->tag)) return false;
  if (span->tag.Is(closing)) {
    *closed = true;
    return true;
  }
  int32_t length;
  if (Position() + 4 > end || !ReadInt(&length) || length < 0 || length > end - Position()) return false;
  span->start = Position();
  span->end = span->start + length;
  return true;
}

bool Reader::CountFits(const Span &span, int32_t count, long size) {
  return count >= 0 && (span.Length() - 4) / size >= count;
}

Writer &Writer::Bytes(const void *data, long bytes) {
  if (ok && bytes > 0) ok = file->Write(data, bytes) == bytes;
  return *this;
}

Writer &Writer::Tag(const char *tag) { return Bytes(tag, 4); }

Writer &Writer::Int(int32_t value) { return Ints(&value, 1); }

template <typename Item>
static long WriteLittleEndian(QFile *file, const Item *items, long count) {
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  long written = 0;
  for (long i = 0; i < count; ++i) {
    Item item = items[i];
    FromLittleEndian(&item, 1);
    written += file->Write(&item, sizeof item);
  }
  return written;
#else
  return file->Write(items, count * static_cast<long>(sizeof(Item)));
#endif
}

Writer &Writer::Ints(const int32_t *values, long count) {
  if (ok && count > 0) ok = WriteLittleEndian(file, values, count) == count * 4;
  return *this;
}

Writer &Writer::Floats(const float *values, long count) {
  return Ints(reinterpret_cast<const int32_t *>(values), count);
}

Writer &Writer::Shorts(const uint16_t *values, long count) {
  if (ok && count > 0) ok = WriteLittleEndian(file, values, count) == count * 2;
  return *this;
}

Writer &Writer::String(const char *text) {
  std::size_t length = std::strlen(text);
  if (length > 0xFFFF) {
    ok = false;
    return *this;
  }
  uint16_t prefix = static_cast<uint16_t>(length);
  Shorts(&prefix, 1);
  return Bytes(text, static_cast<long>(length));
}

long Writer::BeginLength() {
  long at = file->Tell();
  Int(0);
  return at;
}

Writer &Writer::EndLength(long at) {
  long here = file->Tell();
  if (!ok || at < 0 || here < at + 4 || here - at - 4 > INT32_MAX) {
    ok = false;
    return *this;
  }
  ok = file->Seek(at, QFile::S_SET) && file->Tell() == at;
  Int(static_cast<int32_t>(here - at - 4));
  if (ok) ok = file->Seek(here, QFile::S_SET) && file->Tell() == here;
  return *this;
}

bool Writer::Finish() {
  if (ok) ok = file->Flush() == 0;
  return ok;
}

}  // namespace kiln::dof
