/// \file
/// QArchive, files packed into one archive.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>

#include <kiln/qobject.h>

class QFile;
class qstring;

namespace kiln::lzrw {
class Codec;
}

/// Open modes.
enum QArchiveMode {
  AR_READ = 0,    ///< an archive read
  AR_CREATE = 1,  ///< a new empty archive, written
  AR_UPDATE = 2   ///< an archive read and added to
};
/// Flags of ExtractData().
enum QArchiveExtractFlags {
  AR_EXTRACT_NO_OUTPUT = 1  ///< decode without writing a file
};

/// Called while an entry is decoded with the current offset in the archive
/// and the end of the entry data; returning false stops the extraction.
using QArchiveProgress = bool (*)(void *user, int current, int total);
/// Takes the decoded bytes of an entry one chunk at a time; returning false
/// stops the decoding.
using QArchiveWriter = std::function<bool(const uint8_t *data, int length)>;

/// Archives ("AR01"): many files packed into one, each cut into chunks of at
/// most 16384 bytes that are compressed on their own (LZRW1-KH), with a
/// directory at the end that maps entry names to their places.
class QArchive : public QObject {
public:
  static constexpr int kChunkSize = 16384;           ///< bytes of an entry compressed together
  static constexpr int kMaxCompressedChunk = 20000;  ///< the largest compressed chunk read

  /// AR_READ and AR_UPDATE need an archive; AR_CREATE makes an empty one.
  QArchive(const char *fileName, int mode);
  ~QArchive() override;

  const char *ClassName() const override { return "QArchive"; }

  /// Closes the file and forgets the directory.
  void Close();
  /// True while the file is open.
  bool IsOpen() const { return stream != nullptr; }
  /// Whether the file starts with "AR01".
  bool IsArchive();
  /// Writes the magic and the header of an empty archive; false when it
  /// can't be written.
  bool WriteHeader();
  /// Reads and checks the directory at the end of the file; false (with a
  /// message) when it is missing or damaged.
  bool ReadDirectory();

  /// Adds the source file as an entry named `name` (the source's own name
  /// when null). A failed write leaves the archive as it was.
  bool AddFile(const char *sourceFile, const char *name = nullptr);

  /// Walks the directory: Rewind() goes back to its start.
  bool Rewind();
  /// The next entry's name, offset and size; false after the last.
  bool GetNextEntry(qstring &name, int *offset, int *size);
  /// Finds the first entry of the name, and seeks to it when asked.
  bool FindFile(const char *name, bool seek);

  /// Decodes the entry into a file (named as the entry when `destination` is
  /// null).
  bool ExtractFile(const char *name, const char *destination = nullptr);
  /// Decodes the entry into a new block (QMalloc; the caller frees it with
  /// QFree); entries without data are refused.
  bool ReadEntry(const char *name, void **block, int *size);
  /// Decodes the entry chunk by chunk into one buffer of a chunk's size and
  /// hands each chunk to `write` as it is decoded, so that an entry of any
  /// size takes the same memory. False for a missing entry, damage, an entry
  /// whose size differs from its record, or when `write` refuses.
  bool StreamEntry(const char *name, const QArchiveWriter &write);
  /// The entry as a memory file that owns its block; null when it can't be
  /// read.
  QFile *OpenFile(const char *name);
  /// The uncompressed size of the entry at the stream position.
  int GetEntrySize();

  /// The callback (and its data) told of extraction progress; returns the
  /// one before.
  QArchiveProgress SetProgressCallback(QArchiveProgress callback, void *user);

  /// Decodes the entry at the stream position: to a file unless
  /// AR_EXTRACT_NO_OUTPUT, and into `block` (of `blockSize` bytes) when
  /// given; `size` receives the number of bytes produced.
  bool ExtractData(const char *destination, int flags, int *size, char *block, int blockSize = 0);

  ///@{
  /// One chunk each way; each returns the bytes written. CompressChunk()
  /// takes 1..16384 bytes and needs room for length + 1; DecompressChunk()
  /// writes at most `capacity` bytes (the codec's own buffer size by default)
  /// and returns -1 for a damaged chunk.
  int CompressChunk(const uint8_t *source, uint8_t *destination, int length);
  int DecompressChunk(const uint8_t *source, uint8_t *destination, int length, int capacity = 16388);
  ///@}

  /// Writes the source file as length/chunk pairs and the closing 0.
  bool CompressFile(FILE *archive, const char *sourceFile, bool verbose);

private:
  bool WriteDirectory(const char *name, int32_t offset, int32_t size);
  bool ValidDirectory() const;
  /// Parses the directory entry at `at`; null at the end.
  const char *ParseEntry(const char *at, const char **name, int32_t *offset, int32_t *size) const;
  bool SeekToEntry(int32_t offset);
  /// Decodes the entry at the stream position, chunk by chunk; `produced`
  /// receives the bytes decoded so far.
  bool DecodeEntry(const QArchiveWriter &write, int *produced);
  bool FindEntry(const char *name, int32_t *offset, int32_t *size, bool announce);
  long FileLength() const;

  int mode = AR_READ;
  FILE *stream = nullptr;
  int dataEnd = 0;
  QArchiveProgress progress = nullptr;
  void *progressUser = nullptr;
  char *directory = nullptr;
  int directoryLength = 0;
  const char *walk = nullptr;
  std::unique_ptr<kiln::lzrw::Codec> codec;
  std::unique_ptr<uint8_t[]> chunk;   ///< compressed chunk
  std::unique_ptr<uint8_t[]> output;  ///< decoded chunk
};
