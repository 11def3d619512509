#include <kiln/qfile.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

const char *const kOpenStrings[] = {nullptr, "rb", "wb", "rb+", "wb+", "r", "a", "a+", "ab"};
constexpr int kLowByte = 0xFF;
constexpr int kRecordLimit = 32767;

// The buffer of string-record reads, shared by all files.
char *recordBuffer = nullptr;
long recordCapacity = 0;

bool IsAppending(int mode) { return mode == QFile::APPEND_TEXT || mode == QFile::APPEND_READ_TEXT || mode == QFile::APPEND; }

bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int PlatformOrigin(int origin) {
  switch (origin) {
    case QFile::S_SET: return SEEK_SET;
    case QFile::S_END: return SEEK_END;
    case QFile::S_CUR: return SEEK_CUR;
    default: return -1;
  }
}

}  // namespace

QFile::QFile(const char *name, int openMode) {
  SetName(name);
  mode = openMode & kLowByte;
  if (name && mode >= READ && mode <= APPEND) stream = std::fopen(QExpandFilename(name), kOpenStrings[mode]);
  if (stream && !IsAppending(mode)) streamAt = 0;
  if (openMode & MEMORY) Preload();
}

QFile::QFile(const char *name, void *block, long size)
    : mode(READ), memory(static_cast<unsigned char *>(block)), memorySize(size < 0 ? 0 : size), position(memory) {
  SetName(name);
}

QFile::~QFile() {
  if ((flags & OWNS_MEMORY) && memory) QFree(memory);
  if (stream) std::fclose(stream);
  QFree(recordBuffer);
  recordBuffer = nullptr;
  recordCapacity = 0;
}

void QFile::Preload() {
  if (mode == READ_TEXT) {
    qerr("QFile ctor: READ_TEXT and MEMORY flags are incompatible (buggy); turning off MEMORY");
    return;
  }
  if (!stream) return;
  if (mode != READ) {
    qwarn("QFile:ctor MEMORY req'd for '%s' but incompatible mode given", GetName());
    return;
  }
  std::fseek(stream, 0, SEEK_END);
  long size = std::ftell(stream);
  if (size <= 0) return;
  auto *block = static_cast<unsigned char *>(QMalloc(static_cast<std::size_t>(size)));
  if (!block) {
    qwarn("QFile:ctor; not enough memory to preload file '%s'", GetName());
    return;
  }
  std::fseek(stream, 0, SEEK_SET);
  // A file that shrank meanwhile keeps only what could be read.
  long got = static_cast<long>(std::fread(block, 1, static_cast<std::size_t>(size), stream));
  std::fclose(stream);
  stream = nullptr;
  memory = block;
  memorySize = got;
  position = memory;
  flags |= OWNS_MEMORY;
}

bool QFile::TakeUnget(unsigned char *byte) {
  if (!(flags & HAS_UNGET)) return false;
  flags &= ~HAS_UNGET;
  *byte = static_cast<unsigned char>(ungetChar);
  return true;
}

bool QFile::IsEOF() const {
  if (flags & HAS_UNGET) return false;
  if (memory) return position >= memory + memorySize;
  if (stream) return std::feof(stream) != 0;
  return true;
}

long QFile::Tell() const {
  if (memory) return static_cast<long>(position - memory);
  if (!stream) return 0;
  if (streamAt < 0) streamAt = std::ftell(stream);
  return streamAt;
}

int QFile::Seek(long offset, int origin) {
  if (memory) {
    long target;
    switch (origin) {
      case S_SET: target = offset; break;
      case S_END: target = memorySize - offset; break;
      case S_CUR: target = static_cast<long>(position - memory) + offset; break;
      default: return 0;
    }
    position = memory + std::clamp(target, 0L, memorySize);
    return 1;
  }
  if (!stream || PlatformOrigin(origin) < 0) return 0;
  const long from = origin == S_CUR ? streamAt : origin == S_SET ? 0 : -1;
  const bool moved = std::fseek(stream, offset, PlatformOrigin(origin)) == 0;
  streamAt = moved && from >= 0 ? from + offset : -1;
  return 1;
}

long QFile::Size() const {
  if (memory) return memorySize;
  if (!stream) return 0;
  long here = Tell();
  std::fseek(stream, 0, SEEK_END);
  long end = std::ftell(stream);
  if (std::fseek(stream, here, SEEK_SET) != 0) streamAt = -1;
  return end;
}

int QFile::Flush() { return (stream && !memory) ? std::fflush(stream) : 0; }

bool QFile::Truncate(long size) {
  if (!stream || memory || size < 0 || std::fflush(stream) != 0) return false;
  return ftruncate(fileno(stream), static_cast<off_t>(size)) == 0;
}

long QFile::Read(void *destination, long length) {
  if (length <= 0) return 0;
  auto *out = static_cast<unsigned char *>(destination);
  long count = 0;
  if (TakeUnget(out)) ++count;
  long wanted = length - count;
  if (wanted == 0) return count;
  if (memory) {
    long left = static_cast<long>(memory + memorySize - position);
    long taken = std::min(wanted, left);
    if (taken > 0) {
      std::memcpy(out + count, position, static_cast<std::size_t>(taken));
      position += taken;
      count += taken;
    }
  } else if (stream) {
    const long got = static_cast<long>(std::fread(out + count, 1, static_cast<std::size_t>(wanted), stream));
    Advanced(got, false);
    count += got;
  }
  return count;
}

long QFile::Write(const void *source, long length) {
  if (memory || !stream || length <= 0) return 0;
  const long written = static_cast<long>(std::fwrite(source, 1, static_cast<std::size_t>(length), stream));
  Advanced(written == length ? written : -1, true);
  return written;
}

void QFile::Advanced(long bytes, bool wrote) {
  // Appending writes at the end, wherever the position was.
  if (streamAt >= 0 && bytes >= 0 && !(wrote && IsAppending(mode)))
    streamAt += bytes;
  else
    streamAt = -1;
}

int QFile::GetChar() {
  unsigned char byte;
  if (TakeUnget(&byte)) return static_cast<signed char>(byte);
  if (memory) return position < memory + memorySize ? static_cast<signed char>(*position++) : 0;
  if (stream) {
    const int c = std::fgetc(stream);
    if (c != EOF) Advanced(1, false);
    return static_cast<signed char>(c);
  }
  return 0;
}

int QFile::ReadByteSlow() {
  unsigned char byte;
  if (TakeUnget(&byte)) return byte;
  if (memory) return position < memory + memorySize ? *position++ : -1;
  if (stream) {
    const int c = std::fgetc(stream);
    if (c == EOF) return -1;
    Advanced(1, false);
    return c;
  }
  return -1;
}

void QFile::UnGetChar(int c) {
  ungetChar = static_cast<signed char>(c);
  flags |= HAS_UNGET;
}

int QFile::PutChar(int c) {
  if (memory) {
    qwarn("QFile:PutChar() not supported for memory files");
    return 0;
  }
  if (!stream) return 0;
  Advanced(std::fputc(c & 0xFF, stream) == EOF ? -1 : 1, true);
  return 1;
}

// --- integers ---------------------------------------------------------------

template <typename Integer>
int QFile::ReadOrdered(Integer *value, bool bigEndian) {
  unsigned char bytes[sizeof(Integer)] = {};
  int got = static_cast<int>(Read(bytes, sizeof bytes));
  uint32_t result = 0;
  for (std::size_t i = 0; i < sizeof bytes; ++i) {
    std::size_t index = bigEndian ? i : sizeof bytes - 1 - i;
    result = (result << 8) | bytes[index];
  }
  *value = static_cast<Integer>(result);
  return got;
}

template <typename Integer>
int QFile::WriteLittleEndian(Integer value) {
  if (memory || !stream) return 0;
  unsigned char bytes[sizeof(Integer)];
  auto bits = static_cast<uint32_t>(value);
  for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
  return static_cast<int>(Write(bytes, sizeof bytes));
}

int QFile::ReadBE32(int32_t *value) { return ReadOrdered(value, true); }
int QFile::ReadBE16(int16_t *value) { return ReadOrdered(value, true); }
int QFile::ReadLE32(int32_t *value) { return ReadOrdered(value, false); }
int QFile::ReadLE16(int16_t *value) { return ReadOrdered(value, false); }
int QFile::WriteLE32(int32_t value) { return WriteLittleEndian(value); }
int QFile::WriteLE16(int16_t value) { return WriteLittleEndian(value); }

// --- string records -----------------------------------------------------------

int QFile::Write(const qstring &text) {
  if (memory || !stream) return 0;
  const char *characters = text.CStr();
  std::size_t length = std::strlen(characters);
  if (length > static_cast<std::size_t>(kRecordLimit)) {
    qwarn("QFile:Write(s); string of %zu bytes is too long for a record (max %d)", length, kRecordLimit);
    return 0;
  }
  WriteLE16(static_cast<int16_t>(length));
  Write(characters, static_cast<long>(length));
  return static_cast<int>(length) + 2;
}

int QFile::Read(qstring &text) {
  if (!IsOpen()) return 0;
  int16_t length = 0;
  if (ReadLE16(&length) < 2 || length <= 0) {
    // Missing, empty or corrupt (negative) length.
    text = "";
    return 0;
  }
  if (recordCapacity < length + 1) {
    QFree(recordBuffer);
    recordBuffer = static_cast<char *>(QCalloc(static_cast<std::size_t>(length) + 1));
    recordCapacity = recordBuffer ? length + 1 : 0;
    if (!recordBuffer) {
      qwarn("QFile:Read(s); out of memory");
      return 0;
    }
  }
  // A record cut short keeps only the bytes that were there.
  long got = Read(recordBuffer, length);
  recordBuffer[got] = '\0';
  text = recordBuffer;
  return static_cast<int>(got);
}

// --- text ------------------------------------------------------------------------

void QFile::SkipWhite() {
  for (int c; (c = ReadByte()) != -1;) {
    if (!IsBlank(c)) {
      UnGetChar(c);
      return;
    }
  }
}

void QFile::GetLine(char *buffer, int max) {
  if (max <= 0) return;
  int stored = 0;
  for (int consumed = 0; consumed < max - 1; ++consumed) {
    int c = ReadByte();
    if (c == -1 || c == '\n') break;
    if (c != '\r') buffer[stored++] = static_cast<char>(c);
  }
  buffer[stored] = '\0';
}

void QFile::GetLine(qstring &text) {
  char buffer[10240];
  GetLine(buffer, 10239);
  text = buffer;
}

void QFile::GetString(char *buffer, int max) {
  if (max == 0) return;
  if (max < 0) max = 2000000000;
  buffer[0] = '\0';
  SkipWhite();
  int c = ReadByte();
  if (c == -1) return;
  bool quoted = c == '"';
  if (!quoted) UnGetChar(c);
  int stored = 0;
  while ((c = ReadByte()) != -1) {
    if (quoted && c == '"') break;
    if (!quoted && IsBlank(c)) {
      UnGetChar(c);
      break;
    }
    if (stored >= max - 1) break;  // the byte in hand is dropped
    buffer[stored++] = static_cast<char>(c);
  }
  buffer[stored] = '\0';
}

void QFile::GetString(qstring &text) {
  char buffer[1024];
  GetString(buffer, sizeof buffer);
  text = buffer;
}

bool QFile::FindLine(const char *text) {
  char line[256];
  for (;;) {
    int c = ReadByte();
    if (c == -1) return false;
    UnGetChar(c);
    GetLine(line, sizeof line);
    if (std::strcmp(line, text) == 0) return true;
  }
}
