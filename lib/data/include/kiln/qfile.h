/// \file
/// QFile, the library's file object over disk streams and memory blocks.
#pragma once

#include <cstdint>
#include <cstdio>

#include <kiln/qobject.h>

class qstring;

/// The library's file object: one interface over a disk stream or a block of
/// memory holding a whole file, with push-back, line and token reading,
/// integers in both byte orders and length-prefixed string records.
class QFile : public QObject {
public:
  /// Open modes (low byte), and the flag that preloads the file into memory.
  enum Mode {
    READ = 1,              ///< "rb"
    WRITE = 2,             ///< "wb"
    READ_WRITE = 3,        ///< "rb+"
    WRITE_READ = 4,        ///< "wb+"
    READ_TEXT = 5,         ///< "r"
    APPEND_TEXT = 6,       ///< "a"
    APPEND_READ_TEXT = 7,  ///< "a+"
    APPEND = 8,            ///< "ab"
    MEMORY = 0x100         ///< read the whole file into memory at once
  };
  /// Seek origins.
  enum Origin { S_SET = 0, S_END = 1, S_CUR = 2 };
  /// Flags.
  enum {
    HAS_UNGET = 1,   ///< a pushed-back byte is waiting
    OWNS_MEMORY = 2  ///< the memory block is freed with the file
  };

  /// Opens the file (its name expanded with QExpandFilename); test IsOpen().
  QFile(const char *name, int mode);
  /// A memory file over a block the caller owns (see SetOwnsMemory).
  QFile(const char *name, void *block, long size);
  ~QFile() override;

  const char *ClassName() const override { return "QFile"; }

  /// The memory block (from QMalloc) is freed with the file.
  void SetOwnsMemory() { flags |= OWNS_MEMORY; }
  /// True with a stream or a memory block.
  bool IsOpen() const { return memory || stream; }
  /// True over a memory block.
  bool IsMemoryFile() const { return memory != nullptr; }
  /// The bytes of a memory file from the read position on (null and 0 for a
  /// stream); a held pushed-back byte is not among them.
  const unsigned char *GetMemoryLeft() const { return position; }
  /// The number of those bytes.
  long GetMemoryLeftSize() const { return memory ? static_cast<long>(memory + memorySize - position) : 0; }
  /// True at the end of the data (never while a pushed-back byte waits).
  bool IsEOF() const;
  /// The read or write position; -1 when it can't be told.
  long Tell() const;
  /// Moves the position from the Origin (a memory file's S_END counts the
  /// offset back from its end, and stops at either end); 1, or 0 without a
  /// file or for an unknown origin.
  int Seek(long offset, int origin);
  /// The size of the data in bytes; 0 without a file.
  long Size() const;
  /// Flushes a stream: 0, or EOF when its buffer can't be written.
  int Flush();
  /// A stream: flushed and cut to `size` bytes; false when it can't be.
  bool Truncate(long size);

  /// Reads up to `length` bytes, a pushed-back byte first; returns the count.
  long Read(void *destination, long length);
  /// Writes to a stream; a memory file writes nothing and returns 0.
  long Write(const void *source, long length);
  /// The next byte as a signed char; 0 at the end of a memory file, -1 at the
  /// end of a stream. IsEOF() tells the end from such a byte.
  int GetChar();
  /// The next byte (0-255), or -1 at the end of the data, for a memory file
  /// and a stream alike. Inline: text readers call it for every byte.
  int ReadByte() {
    if (memory && !(flags & HAS_UNGET)) return position < memory + memorySize ? *position++ : -1;
    return ReadByteSlow();
  }
  /// Pushes one byte back, read again before the data.
  void UnGetChar(int c);
  /// Writes one byte to a stream; 1, or 0 for a memory file (with a warning)
  /// or without a file.
  int PutChar(int c);

  ///@{
  /// A 32- or 16-bit integer in big- or little-endian order; the number of
  /// bytes read (fewer at the end of the data, the rest taken as 0).
  int ReadBE32(int32_t *value);
  int ReadBE16(int16_t *value);
  int ReadLE32(int32_t *value);
  int ReadLE16(int16_t *value);
  ///@}
  ///@{
  /// A 32- or 16-bit integer in little-endian order; the number of bytes
  /// written (0 for a memory file).
  int WriteLE32(int32_t value);
  int WriteLE16(int16_t value);
  ///@}

  /// Length-prefixed string record: a 16-bit little-endian length, then the
  /// characters without a terminator. Returns the bytes written; 0 for a
  /// memory file or a text too long for a record (with a warning).
  int Write(const qstring &text);
  /// Reads a string record; returns its characters' count, 0 (and "") for a
  /// missing, empty or damaged one; a record cut short keeps what was there.
  int Read(qstring &text);

  /// Reads up to a blank and pushes it back.
  void SkipWhite();
  /// A line without its line feed and carriage returns; at most max - 1
  /// bytes are consumed.
  void GetLine(char *buffer, int max);
  /// The same into a string, any length.
  void GetLine(qstring &text);
  /// The next blank-separated or double-quoted token; max -1: no limit.
  void GetString(char *buffer, int max);
  /// The same into a string, any length.
  void GetString(qstring &text);
  /// Reads lines until one equals `text`; false when the data ends first.
  bool FindLine(const char *text);

private:
  int ReadByteSlow();
  bool TakeUnget(unsigned char *byte);
  void Preload();
  template <typename Integer>
  int ReadOrdered(Integer *value, bool bigEndian);
  template <typename Integer>
  int WriteLittleEndian(Integer value);
  /// Keeps the stream's position up to date after a transfer of `bytes`.
  void Advanced(long bytes, bool wrote);

  FILE *stream = nullptr;
  /// The stream's position as stdio has it, or -1 when unknown. Kept here:
  /// asking stdio costs a system call on a stream being written.
  mutable long streamAt = -1;
  int mode = 0;
  signed char ungetChar = 0;
  int flags = 0;
  unsigned char *memory = nullptr;
  long memorySize = 0;
  unsigned char *position = nullptr;
};
