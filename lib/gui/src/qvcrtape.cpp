#include <kiln/qvcrtape.h>

#include <kiln/qdebug.h>

#include "tape_chain.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr long kMaxOffset = INT32_MAX;

bool SameFile(const char *a, const char *b) {
  struct stat first, second;
  return stat(a, &first) == 0 && stat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace

QVCRTape::~QVCRTape() { Close(); }

void QVCRTape::Close() {
  file.reset();
  position = size = recordsEnd = 0;
  ends.clear();
  writing = false;
  recordCount = recordIndex = 0;
}

void QVCRTape::Place(long at, bool forWriting) {
  if (forWriting != writing || file->Tell() != at) file->Seek(at, QFile::S_SET);
  writing = forWriting;
}

bool QVCRTape::Create(const char *name) {
  Close();
  auto created = std::make_unique<QFile>(name, QFile::WRITE_READ);
  if (!created->IsOpen()) return false;
  file = std::move(created);
  fileName = name;
  return true;
}

bool QVCRTape::Open(const char *name) {
  auto opened = std::make_unique<QFile>(name, QFile::READ_WRITE);
  if (!opened->IsOpen()) {
    qwarn("VCR file '%s' can't be opened for reading and writing; not used", name);
    return false;
  }
  const long length = opened->Size();
  std::string bytes(static_cast<std::size_t>(std::max(length, 0L)), '\0');
  if (length < 0 || opened->Read(bytes.data(), length) != length) {
    qwarn("VCR file '%s' can't be read; not used", name);
    return false;
  }
  // Walked from the start: a record counts only where its own trailing
  // offset ends it, so the tail a crash cut short is never read as one.
  const kiln::tape::TapeChain chain = kiln::tape::WalkTape(bytes);
  if (!chain.IsSound()) {
    const kiln::tape::TapeDamage &damage = chain.damage.front();
    if (chain.records.empty()) {
      qwarn("VCR file '%s' is damaged at %ld: %s; not used", name, damage.offset, damage.what.c_str());
      return false;
    }
    qwarn("VCR file '%s' is damaged at %ld: %s; the %d records before it are used", name, damage.offset,
          damage.what.c_str(), static_cast<int>(chain.records.size()));
  }
  Close();
  file = std::move(opened);
  fileName = name;
  recordCount = recordIndex = static_cast<int>(chain.records.size());
  ends.clear();
  for (const kiln::tape::TapeRecord &record : chain.records) ends.push_back(record.end);
  size = length;
  position = recordsEnd = chain.SoundEnd();
  file->Seek(position, QFile::S_SET);
  return true;
}

long QVCRTape::RecordBefore(long end) {
  if (!file || end < kMinRecord) return -1;
  int32_t start = -1;
  Place(end - 4, false);
  if (file->ReadLE32(&start) != 4) return -1;
  // A record holds at least a name and its offset.
  return start >= 0 && start <= end - kMinRecord ? start : -1;
}

bool QVCRTape::StepBack() {
  if (!file || position <= 0) return false;
  const long start = RecordBefore(position);
  if (start < 0) {
    qwarn("QVCRTape:StepBack(); no record ends at %ld of '%s'", position, fileName.CStr());
    file->Seek(position, QFile::S_SET);
    return false;
  }
  position = start;
  Place(position, false);
  --recordIndex;
  return true;
}

bool QVCRTape::SeekEnd() {
  if (!file) return false;
  position = recordsEnd;
  Place(position, false);
  recordIndex = recordCount;
  return true;
}

bool QVCRTape::Record(const char *name, const WriteData &writeData) {
  if (!file) return false;
  if (position > kMaxOffset) {
    qerr("QVCRTape:Record(); the tape '%s' is full", fileName.CStr());
    return false;
  }
  char field[kNameBytes] = {};
  std::strncpy(field, name ? name : "", kNameBytes - 1);
  Place(position, true);
  bool written = file->Write(field, kNameBytes) == kNameBytes;
  if (writeData) writeData(*file);
  written = written && file->WriteLE32(static_cast<int32_t>(position)) == 4 && file->Flush() == 0;
  const long end = file->Tell();
  // What lay after this record belonged to a run that was stepped back.
  if (!written || end < position + kMinRecord || (size > end && !file->Truncate(end))) {
    qerr("QVCRTape:Record(); can't write to '%s'", fileName.CStr());
    if (file->Truncate(position)) size = recordsEnd = position;
    file->Seek(position, QFile::S_SET);
    writing = false;
    return false;
  }
  position = size = recordsEnd = end;
  ends.resize(static_cast<std::size_t>(recordIndex));
  ends.push_back(end);
  ++recordIndex;
  recordCount = recordIndex;
  return true;
}

bool QVCRTape::Play(bool stay, const ReadData &readData) {
  if (!file) return false;
  const long start = position;
  char name[kNameBytes + 1] = {};
  Place(start, false);
  bool complete = file->Read(name, kNameBytes) == kNameBytes;
  bool known = complete && (!readData || readData(name, *file));
  int32_t stored = -1;
  complete = complete && known && file->ReadLE32(&stored) == 4 && stored == start;
  // A record ends exactly where the offset that leads back to it lies.
  // Read by the program, it may end before the place the walk from the
  // tape's start gave it: zeros after it (a record the recorder didn't
  // finish) read as an offset back to the start. Then the tape ends here.
  const std::size_t index = static_cast<std::size_t>(recordIndex);
  const long end = complete ? file->Tell() : -1;
  if (complete && index < ends.size() && end > ends[index]) {
    qwarn("QVCRTape:Play(); the record at %ld of '%s' ends at %ld, past %ld where its offset lies", start,
          fileName.CStr(), end, ends[index]);
    complete = known = false;
  }
  if (complete && index < ends.size() && end < ends[index]) {
    qwarn("VCR file '%s' is damaged at %ld: %ld bytes after the record at %ld are no record", fileName.CStr(), end,
          size - end, start);
    ends.resize(index + 1);
    ends[index] = end;
    recordCount = static_cast<int>(index) + 1;
    recordsEnd = end;
  }
  if (!complete) {
    if (known) qwarn("QVCRTape:Play(); the record at %ld of '%s' is damaged", start, fileName.CStr());
    file->Seek(start, QFile::S_SET);
    return false;
  }
  if (stay) {
    file->Seek(start, QFile::S_SET);
  } else {
    position = end;
    ++recordIndex;
  }
  return true;
}

bool QVCRTape::Save(const char *target) {
  if (!file || !target) return false;
  const long length = position;
  file->Flush();
  writing = false;
  if (SameFile(target, fileName.CStr())) {
    const bool cut = file->Truncate(length);
    file->Seek(length, QFile::S_SET);
    if (cut) size = recordsEnd = length;
    recordCount = recordIndex;
    ends.resize(static_cast<std::size_t>(recordIndex));
    return cut;
  }
  const std::string temporary = std::string(target) + ".partial";
  FILE *out = std::fopen(temporary.c_str(), "wb");
  bool saved = out != nullptr;
  char buffer[16384];
  file->Seek(0, QFile::S_SET);
  for (long left = length; saved && left > 0;) {
    const long chunk = left < static_cast<long>(sizeof buffer) ? left : static_cast<long>(sizeof buffer);
    saved = file->Read(buffer, chunk) == chunk &&
            std::fwrite(buffer, 1, static_cast<std::size_t>(chunk), out) == static_cast<std::size_t>(chunk);
    left -= chunk;
  }
  if (out) saved = std::fclose(out) == 0 && saved;
  saved = saved && std::rename(temporary.c_str(), target) == 0;
  if (!saved) std::remove(temporary.c_str());
  file->Seek(length, QFile::S_SET);
  return saved;
}
