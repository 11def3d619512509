/// \file
/// QVCRTape, the state manager's recording tape.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <kiln/qfile.h>
#include <kiln/qstring.h>

/// The tape of the state manager's VCR: a file of records, each a state's
/// name in 32 bytes, the program's data for it, and the record's own start
/// as a 32-bit little-endian offset, so the tape is read forwards and
/// backwards. Every record is flushed as it is written, so the file holds
/// every recorded state even after a crash. A tape is read from its start:
/// a record cut short by a crash, or anything else that is no record, is
/// reported with its offset and never read as one.
class QVCRTape {
public:
  /// The bytes of a record's name field.
  static constexpr int kNameBytes = 32;
  /// The smallest record: a name and an offset.
  static constexpr int kMinRecord = kNameBytes + 4;

  /// The program's data of a record, written and read back exactly.
  using WriteData = std::function<void(QFile &tape)>;
  /// Gets the record's name (within its 32 bytes) and reads the program's
  /// data; false for a name it doesn't know.
  using ReadData = std::function<bool(const char *name, QFile &tape)>;

  QVCRTape() = default;
  ~QVCRTape();
  QVCRTape(const QVCRTape &) = delete;
  QVCRTape &operator=(const QVCRTape &) = delete;

  /// A new, empty tape in the file.
  bool Create(const char *file);
  /// An existing tape, checked whole first. Its records are those that
  /// follow one another from its start; damage after them (a record cut
  /// short) is reported, and the tape positioned at the end of the last
  /// sound record, where the next Record() writes over the damage. False,
  /// with a warning, and this tape unchanged, when the file can't be opened
  /// or read, or holds bytes but no sound record.
  bool Open(const char *file);
  /// Closes the file; the tape is empty and unusable until the next
  /// Create() or Open().
  void Close();
  /// True while a file is open.
  bool IsUsable() const { return file != nullptr; }
  /// The file of the last Create() or Open().
  const char *GetFileName() const { return fileName.CStr(); }
  /// Where the next record is read or written, in bytes.
  long GetPosition() const { return position; }
  /// The file's length in bytes.
  long GetSize() const { return size; }
  /// Where the last sound record ends: the file's length, unless it ends
  /// in damage.
  long GetRecordsEnd() const { return recordsEnd; }
  /// The number of records on the tape.
  int GetRecordCount() const { return recordCount; }
  /// The number of records before the position.
  int GetRecordIndex() const { return recordIndex; }

  /// Writes a record at the position; the file ends after it.
  bool Record(const char *name, const WriteData &writeData);
  /// Reads the record at the position, moving past it unless `stay`. A short
  /// record, an unknown name, or data read out of step (the record then
  /// ends elsewhere than where its offset lies) leave the position at the
  /// record's start: false.
  bool Play(bool stay, const ReadData &readData);
  /// To the start of the record before the position; false at the start or
  /// when the offset before the position is no record's.
  bool StepBack();
  /// To the end of the last sound record; false when no file is open.
  bool SeekEnd();
  /// The tape up to the position into the file: written beside it and
  /// renamed when complete; onto the tape's own file, cut there.
  bool Save(const char *target);

private:
  /// Puts the stream at `at` for reading or for writing. stdio needs a seek
  /// between writing and reading; a stream already in place for the same
  /// direction is left alone and keeps its buffer.
  void Place(long at, bool forWriting);
  /// The record start stored before `end`, or -1 when it can't be one.
  long RecordBefore(long end);

  std::unique_ptr<QFile> file;
  qstring fileName;
  long position = 0;
  long size = 0;  ///< the file's length, kept here: asking the stream costs seeks
  long recordsEnd = 0;
  std::vector<long> ends;  ///< where each record ends, as the walk or the recording found it
  bool writing = false;
  int recordCount = 0, recordIndex = 0;
};
