#include <kiln/qarchive.h>

#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <stdio_ext.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "lzrw_codec.h"

namespace {

constexpr char kMagic[4] = {'A', 'R', '0', '1'};
constexpr int kHeaderSize = 4;
constexpr int kTrailerSize = 4;
constexpr int kEntryNumbers = 8;  // offset and size after each name
constexpr char kDataTag = 'D';
const char *const kOpenStrings[] = {"rb", "wb+", "rb+"};

bool ReadLE32(FILE *stream, uint32_t *value) {
  unsigned char bytes[4];
  if (std::fread(bytes, 1, 4, stream) != 4) return false;
  *value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
  return true;
}

bool ReadLE16(FILE *stream, int *value) {
  unsigned char bytes[2];
  if (std::fread(bytes, 1, 2, stream) != 2) return false;
  *value = bytes[0] | (bytes[1] << 8);
  return true;
}

bool WriteLE32(FILE *stream, uint32_t value) {
  unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  return std::fwrite(bytes, 1, 4, stream) == 4;
}

bool WriteLE16(FILE *stream, int value) {
  unsigned char bytes[2] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)};
  return std::fwrite(bytes, 1, 2, stream) == 2;
}

uint32_t GetLE32(const char *at) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(at);
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

QArchive::QArchive(const char *fileName, int openMode)
    : mode(openMode),
      codec(std::make_unique<kiln::lzrw::Codec>()),
      chunk(std::make_unique<uint8_t[]>(kMaxCompressedChunk)),
      output(std::make_unique<uint8_t[]>(kiln::lzrw::kOutputSize)) {
  SetName(fileName);
  if (fileName && mode >= AR_READ && mode <= AR_UPDATE) {
    stream = std::fopen(QExpandFilename(fileName), kOpenStrings[mode]);
  }
  if (!stream) {
    qwarn("QArchive: can't open '%s'", fileName ? fileName : "(null)");
    return;
  }
  if (mode == AR_CREATE) {
    WriteHeader();
    return;
  }
  if (!IsArchive()) {
    // Updating a file that is no archive would write into it.
    if (mode == AR_UPDATE) qerr("QArchive: '%s' is not an archive", fileName);
    Close();
    return;
  }
  if (!ReadDirectory()) Close();
}

QArchive::~QArchive() { Close(); }

void QArchive::Close() {
  QFree(directory);
  directory = nullptr;
  directoryLength = 0;
  walk = nullptr;
  if (stream) std::fclose(stream);
  stream = nullptr;
}

long QArchive::FileLength() const {
  if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
  return std::ftell(stream);
}

bool QArchive::IsArchive() {
  char magic[4];
  return stream && std::fseek(stream, 0, SEEK_SET) == 0 && std::fread(magic, 1, 4, stream) == 4 &&
         std::memcmp(magic, kMagic, 4) == 0;
}

bool QArchive::WriteHeader() {
  if (!stream || std::fseek(stream, 0, SEEK_SET) != 0) return false;
  bool written = std::fwrite(kMagic, 1, 4, stream) == 4 && WriteLE32(stream, kHeaderSize) && std::fflush(stream) == 0;
  QFree(directory);
  directory = nullptr;
  directoryLength = 0;
  walk = nullptr;
  dataEnd = kHeaderSize;
  return written;
}

bool QArchive::ReadDirectory() {
  if (!stream) return false;
  long length = FileLength();
  uint32_t start = 0;
  if (length < kHeaderSize + kTrailerSize || std::fseek(stream, length - kTrailerSize, SEEK_SET) != 0 ||
      !ReadLE32(stream, &start) || start < static_cast<uint32_t>(kHeaderSize) ||
      start > static_cast<uint64_t>(length - kTrailerSize) || length - kTrailerSize > INT_MAX) {
    qerr("QArchive: '%s' has no valid directory", GetName());
    return false;
  }
  int bytes = static_cast<int>(length - kTrailerSize - static_cast<long>(start));
  char *loaded = static_cast<char *>(QMalloc(static_cast<std::size_t>(bytes) + 1));
  if (!loaded || std::fseek(stream, static_cast<long>(start), SEEK_SET) != 0 ||
      std::fread(loaded, 1, static_cast<std::size_t>(bytes), stream) != static_cast<std::size_t>(bytes)) {
    QFree(loaded);
    qerr("QArchive: can't read the directory of '%s'", GetName());
    return false;
  }
  QFree(directory);
  directory = loaded;
  directoryLength = bytes;
  walk = nullptr;
  dataEnd = static_cast<int>(start);
  if (!ValidDirectory()) {
    qerr("QArchive: the directory of '%s' is damaged", GetName());
    return false;
  }
  std::fseek(stream, static_cast<long>(start), SEEK_SET);
  return true;
}

// --- the directory ------------------------------------------------------------

const char *QArchive::ParseEntry(const char *at, const char **name, int32_t *offset, int32_t *size) const {
  const char *end = directory + directoryLength;
  if (!directory || at >= end) return nullptr;
  const char *terminator = static_cast<const char *>(std::memchr(at, '\0', static_cast<std::size_t>(end - at)));
  if (!terminator || end - (terminator + 1) < kEntryNumbers) return nullptr;
  *name = at;
  *offset = static_cast<int32_t>(GetLE32(terminator + 1));
  *size = static_cast<int32_t>(GetLE32(terminator + 5));
  return terminator + 1 + kEntryNumbers;
}

// Every entry lies whole inside the directory.
bool QArchive::ValidDirectory() const {
  const char *at = directory;
  const char *name;
  int32_t offset, size;
  while (const char *next = ParseEntry(at, &name, &offset, &size)) at = next;
  return at == directory + directoryLength || (!directory && directoryLength == 0);
}

bool QArchive::Rewind() {
  if (!stream) return false;
  walk = nullptr;
  return true;
}

bool QArchive::GetNextEntry(qstring &name, int *offset, int *size) {
  if (!stream) return false;
  const char *entryName;
  int32_t entryOffset, entrySize;
  const char *next = ParseEntry(walk ? walk : directory, &entryName, &entryOffset, &entrySize);
  if (!next) return false;
  walk = next;
  name = entryName;
  if (offset) *offset = entryOffset;
  if (size) *size = entrySize;
  return true;
}

bool QArchive::FindEntry(const char *name, int32_t *offset, int32_t *size, bool announce) {
  if (!stream || !name) return false;
  walk = nullptr;
  const char *entryName;
  while (const char *next = ParseEntry(walk ? walk : directory, &entryName, offset, size)) {
    walk = next;
    if (announce) qdbg("QAr:FF: check '%s' to match '%s'\n", name, entryName);
    if (std::strcmp(entryName, name) == 0) return true;
  }
  return false;
}

bool QArchive::FindFile(const char *name, bool seek) {
  int32_t offset, size;
  if (!FindEntry(name, &offset, &size, true)) return false;
  if (seek) SeekToEntry(offset);
  return true;
}

bool QArchive::SeekToEntry(int32_t offset) {
  if (offset < kHeaderSize || offset >= dataEnd) {
    qerr("QArchive: entry offset %d lies outside the data of '%s'", offset, GetName());
    return false;
  }
  return std::fseek(stream, offset, SEEK_SET) == 0;
}

// --- reading entries -------------------------------------------------------------

bool QArchive::ExtractFile(const char *name, const char *destination) {
  qdbg("ExtractFile(dst=%s)\n", destination ? destination : "(null)");
  const char *savedWalk = walk;
  int32_t offset, size;
  bool result = false;
  if (FindEntry(name, &offset, &size, false) && size >= 0 && SeekToEntry(offset)) {
    result = ExtractData(destination ? destination : name, 0, nullptr, nullptr);
  }
  walk = savedWalk;
  return result;
}

bool QArchive::ReadEntry(const char *name, void **block, int *size) {
  int32_t offset, recorded;
  if (!FindEntry(name, &offset, &recorded, false) || recorded < 1 || !SeekToEntry(offset)) return false;
  // The block grows with what decodes, up to the recorded size: a damaged
  // directory that names gigabytes takes no more than the data give.
  int capacity = std::min(recorded, 1 << 16);
  char *data = static_cast<char *>(QMalloc(static_cast<std::size_t>(capacity)));
  int produced = 0;
  bool noMemory = data == nullptr;
  auto take = [&](const uint8_t *chunkData, int length) {
    if (length > recorded - produced) {
      qerr("QArchive: entry holds more than its %d bytes", recorded);
      return false;
    }
    if (produced + length > capacity) {
      const int grown = static_cast<int>(std::min<long>(recorded, std::max<long>(2L * capacity, produced + length)));
      char *larger = static_cast<char *>(QMalloc(static_cast<std::size_t>(grown)));
      if (!larger) {
        noMemory = true;
        return false;
      }
      std::memcpy(larger, data, static_cast<std::size_t>(produced));
      QFree(data);
      data = larger;
      capacity = grown;
    }
    std::memcpy(data + produced, chunkData, static_cast<std::size_t>(length));
    produced += length;
    return true;
  };
  if (noMemory || !DecodeEntry(take, nullptr)) {
    if (noMemory) qerr("QArchive: no memory for the %d bytes of '%s'", recorded, name);
    QFree(data);
    return false;
  }
  if (produced != recorded) {
    qerr("QArchive: entry '%s' holds %d bytes instead of %d", name, produced, recorded);
    QFree(data);
    return false;
  }
  *block = data;
  *size = recorded;
  return true;
}

bool QArchive::StreamEntry(const char *name, const QArchiveWriter &write) {
  const char *savedWalk = walk;
  int32_t offset, recorded;
  int produced = 0;
  bool result = FindEntry(name, &offset, &recorded, false) && recorded >= 0 && SeekToEntry(offset) &&
                DecodeEntry(write, &produced);
  walk = savedWalk;
  if (result && produced != recorded) {
    qerr("QArchive: entry '%s' holds %d bytes instead of %d", name, produced, recorded);
    return false;
  }
  return result;
}

QFile *QArchive::OpenFile(const char *name) {
  void *block = nullptr;
  int size = 0;
  if (!ReadEntry(name, &block, &size)) return nullptr;
  auto *file = new QFile(name, block, size);
  file->SetOwnsMemory();
  return file;
}

int QArchive::GetEntrySize() {
  if (!stream) return -1;
  long position = std::ftell(stream);
  int size = 0;
  bool decoded = ExtractData(nullptr, AR_EXTRACT_NO_OUTPUT, &size, nullptr);
  std::fseek(stream, position, SEEK_SET);
  return decoded ? size : -1;
}

QArchiveProgress QArchive::SetProgressCallback(QArchiveProgress callback, void *user) {
  QArchiveProgress old = progress;
  progress = callback;
  progressUser = user;
  return old;
}

bool QArchive::ExtractData(const char *destination, int flags, int *size, char *block, int blockSize) {
  if (size) *size = 0;
  if (!stream) return false;
  FILE *out = nullptr;
  if (!(flags & AR_EXTRACT_NO_OUTPUT)) {
    out = destination ? std::fopen(QExpandFilename(destination), "wb") : nullptr;
    if (!out) {
      qerr("Can't open '%s' for output", destination ? destination : "(null)");
      return false;
    }
  }
  int copied = 0;
  bool writeFailed = false;
  auto take = [&](const uint8_t *data, int length) {
    if (block) {
      if (length > blockSize - copied) {
        qerr("QArchive: entry holds more than its %d bytes", blockSize);
        return false;
      }
      std::memcpy(block + copied, data, static_cast<std::size_t>(length));
      copied += length;
    }
    if (out && std::fwrite(data, 1, static_cast<std::size_t>(length), out) != static_cast<std::size_t>(length)) {
      writeFailed = true;
      return false;
    }
    return true;
  };
  bool result = DecodeEntry(take, size);
  if (out && std::fclose(out) != 0) writeFailed = true;
  if (writeFailed) {
    std::printf("Can't write to %s\n", destination);
    return false;
  }
  return result;
}

bool QArchive::DecodeEntry(const QArchiveWriter &write, int *produced) {
  int total = 0;
  if (produced) *produced = 0;
  if (!stream) return false;
  // Records other than data are skipped by their length.
  for (;;) {
    int tag = std::fgetc(stream);
    uint32_t skip;
    if (tag == kDataTag) break;
    if (tag == EOF || !ReadLE32(stream, &skip) || skip > static_cast<uint32_t>(LONG_MAX) ||
        std::fseek(stream, static_cast<long>(skip), SEEK_CUR) != 0) {
      qerr("QArchive: no data record in the entry");
      return false;
    }
  }
  for (;;) {
    int length;
    if (!ReadLE16(stream, &length)) {
      qerr("QArchive: entry is cut short");
      return false;
    }
    if (length == 0) return true;
    if (length > kMaxCompressedChunk) {
      qerr("QArchive: attempt to read decompress chunk of size %d (max %d)", length, kMaxCompressedChunk);
      return false;
    }
    if (progress && !progress(progressUser, static_cast<int>(std::ftell(stream)), dataEnd)) return false;
    if (std::fread(chunk.get(), 1, static_cast<std::size_t>(length), stream) != static_cast<std::size_t>(length)) {
      qerr("QArchive: entry is cut short");
      return false;
    }
    int decoded = DecompressChunk(chunk.get(), output.get(), length, kiln::lzrw::kOutputSize);
    if (decoded < 0) {
      int needed = kiln::lzrw::Codec::Decompress(chunk.get(), length, nullptr, -1);
      if (needed < 0) {
        qerr("QArchive: damaged chunk in entry");
      } else {
        qerr("QArchive: decompressed chunk overflow of size %d (max %d)", needed, kMaxCompressedChunk);
      }
      return false;
    }
    if (decoded > INT_MAX - total) {
      qerr("QArchive: entry is larger than %d bytes", INT_MAX);
      return false;
    }
    total += decoded;
    if (produced) *produced = total;
    if (!write(output.get(), decoded)) return false;
  }
}

// --- writing entries ---------------------------------------------------------------

int QArchive::CompressChunk(const uint8_t *source, uint8_t *destination, int length) {
  if (length < 1 || length > kChunkSize) return 0;
  return codec->Compress(source, length, destination);
}

int QArchive::DecompressChunk(const uint8_t *source, uint8_t *destination, int length, int capacity) {
  return kiln::lzrw::Codec::Decompress(source, length, destination, capacity);
}

bool QArchive::CompressFile(FILE *archive, const char *sourceFile, bool verbose) {
  FILE *in = std::fopen(QExpandFilename(sourceFile), "rb");
  if (!in) {
    std::printf("** ERROR: '%s' not found!\n", sourceFile);
    return false;
  }
  if (verbose) std::printf("Compress '%s'", sourceFile);
  long sourceBytes = 0, compressedBytes = 0;
  uint8_t block[kChunkSize];
  bool complete = true;
  for (std::size_t got; (got = std::fread(block, 1, sizeof block, in)) > 0;) {
    int length = CompressChunk(block, chunk.get(), static_cast<int>(got));
    if (length > kMaxCompressedChunk) {
      qerr("QArchive: compressed chunk overflow of size %d (max %d)!", length, kMaxCompressedChunk);
      break;
    }
    if (!WriteLE16(archive, length) ||
        std::fwrite(chunk.get(), 1, static_cast<std::size_t>(length), archive) != static_cast<std::size_t>(length)) {
      complete = false;
      break;
    }
    sourceBytes += static_cast<long>(got);
    compressedBytes += length;
    if (verbose) std::printf(".");
  }
  if (std::ferror(in)) {
    qerr("QArchive: can't read '%s'", sourceFile);
    complete = false;
  }
  std::fclose(in);
  if (!WriteLE16(archive, 0)) complete = false;
  if (verbose) std::printf(" %ld%%\n", compressedBytes * 100 / (sourceBytes ? sourceBytes : 1));
  return complete;
}

bool QArchive::WriteDirectory(const char *name, int32_t offset, int32_t size) {
  long position = std::ftell(stream);
  if (position < 0 || position > INT_MAX) return false;
  std::size_t nameLength = std::strlen(name) + 1;
  return std::fwrite(directory ? directory : "", 1, static_cast<std::size_t>(directoryLength), stream) ==
             static_cast<std::size_t>(directoryLength) &&
         std::fwrite(name, 1, nameLength, stream) == nameLength && WriteLE32(stream, static_cast<uint32_t>(offset)) &&
         WriteLE32(stream, static_cast<uint32_t>(size)) && WriteLE32(stream, static_cast<uint32_t>(position));
}

bool QArchive::AddFile(const char *sourceFile, const char *name) {
  if (!stream || !sourceFile) return false;
  if (mode == AR_READ) {
    qerr("QArchive: '%s' is open for reading only", GetName());
    return false;
  }
  if (!name) name = sourceFile;
  long sourceSize = QFileSize(sourceFile);
  if (sourceSize > INT_MAX) {
    qerr("QArchive: '%s' is too large for an archive", sourceFile);
    return false;
  }
  int32_t entryOffset = dataEnd;
  bool written = std::fseek(stream, entryOffset, SEEK_SET) == 0 && std::fputc(kDataTag, stream) == kDataTag;
  // A missing source still gets its entry, with the size -1 and no data.
  bool compressed = written && CompressFile(stream, sourceFile, false);
  bool sourceMissing = written && !compressed && sourceSize < 0;
  written = written && (compressed || sourceMissing) &&
            WriteDirectory(name, entryOffset, static_cast<int32_t>(sourceSize)) && std::fflush(stream) == 0 &&
            !std::ferror(stream);
  if (!written) {
    // Drop what could not be written, then put the old directory and
    // trailer back where they were.
    __fpurge(stream);
    std::clearerr(stream);
    long oldLength = static_cast<long>(entryOffset) + directoryLength + kTrailerSize;
    std::fseek(stream, entryOffset, SEEK_SET);
    std::fwrite(directory ? directory : "", 1, static_cast<std::size_t>(directoryLength), stream);
    WriteLE32(stream, static_cast<uint32_t>(entryOffset));
    std::fflush(stream);
    if (ftruncate(fileno(stream), oldLength) != 0) qerr("QArchive: can't restore the length of '%s'", GetName());
    qerr("QArchive: can't add '%s' to '%s'; the archive keeps its old entries", sourceFile, GetName());
    ReadDirectory();
    return false;
  }
  ReadDirectory();
  return compressed;
}
