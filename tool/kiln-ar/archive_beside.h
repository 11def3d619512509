// An archive made or updated in a file beside its target, which takes the
// target's name only once the archive is whole: a program killed, or a
// disk filling up, midway leaves the old archive (or none) under that name,
// never a partial one.
#pragma once

#include <kiln/qarchive.h>

#include <memory>
#include <string>

class ArchiveBeside {
public:
  // AR_CREATE starts an empty archive; AR_UPDATE a copy of the target's.
  ArchiveBeside(const std::string &target, int mode);
  // Removes the file beside the target unless it was committed.
  ~ArchiveBeside();
  ArchiveBeside(const ArchiveBeside &) = delete;
  ArchiveBeside &operator=(const ArchiveBeside &) = delete;

  // The archive being written; null when it couldn't be made.
  QArchive *Get() const { return archive && archive->IsOpen() ? archive.get() : nullptr; }
  // Closes the archive, writes it through to the disk and gives it the
  // target's name; false (the target as it was) when any of that fails.
  bool Commit();

private:
  std::string target, beside;
  std::unique_ptr<QArchive> archive;
  bool committed = false;
};
