/// \file
/// Lists the entries of one directory and, on request, the size and kind of
/// each.
#pragma once

#include <dirent.h>

#include <cstdint>

#include <kiln/qobject.h>

/// Status of one entry, taken following symbolic links. All zero when the
/// status could not be read.
struct QDirInfo {
  int64_t size;     ///< in bytes
  bool isDir;       ///< a directory, or a link to one
  uint64_t device;  ///< with the inode, identifies the entry's file, e.g. to notice loops
  uint64_t inode;   ///< with the device, identifies the entry's file
};

/// One directory's entries, read one after the other.
class QDirectory : public QObject {
public:
  /// Opens the directory; a directory that can't be opened yields no entries.
  explicit QDirectory(const char *path);
  ~QDirectory() override;

  const char *ClassName() const override { return "QDirectory"; }

  /// Switches to another directory; true when it opened.
  bool Open(const char *path);
  /// True while a directory is open.
  bool IsOpen() const { return dir != nullptr; }

  /// Copies the next entry's name ("." and ".." included) into `name`, which
  /// must hold at least 256 bytes, and fills `info` when it is not null.
  /// False when the directory is not open or has no more entries.
  bool ReadNext(char *name, QDirInfo *info);

  /// What the directory stream tells of the entry ReadNext() returned last,
  /// without reading its status. Symbolic links, and entries of file systems
  /// that don't tell, are kUnknown: only their status says what they lead to.
  enum class EntryKind { kUnknown, kDirectory, kOther };
  /// The kind of the entry ReadNext() returned last.
  EntryKind LastEntryKind() const { return lastKind; }

  /// Fills `info` for an entry of this directory, as ReadNext() does; false
  /// (with `info` cleared) when its status can't be read.
  bool GetEntryInfo(const char *name, QDirInfo *info) const;

  /// Fills `info` for any path; false (with `info` cleared) when its status
  /// can't be read.
  static bool GetInfo(const char *path, QDirInfo *info);

private:
  void Close();

  DIR *dir = nullptr;
  char *path = nullptr;
  EntryKind lastKind = EntryKind::kUnknown;
};
