/// \file
/// QPath, the directories file names are looked up in.
#pragma once

#include <kiln/qobject.h>
#include <kiln/qstring.h>

/// A list of up to 20 directories in which file names are looked up.
class QPath : public QObject {
public:
  /// The most directories a path holds.
  static constexpr int kMaxPaths = 20;

  QPath() = default;
  ~QPath() override;
  const char *ClassName() const override { return "QPath"; }

  /// Appends a copy; false when 20 paths are held already.
  bool Add(const char *path);
  /// The path at the index, or null (with a warning) out of range.
  const char *GetPath(int index) const;
  /// The number of directories held.
  int GetCount() const { return count; }
  /// The first "path/name" that exists as a file, or the name itself. The
  /// result lives in a buffer shared by all calls, up to the next call.
  const char *Find(const char *name) const;
  /// The same into `result`; true when a path held the file.
  bool Find(const char *name, qstring &result) const;
  /// Forgets every directory.
  void Clear();

private:
  char *paths[kMaxPaths] = {};
  int count = 0;
};
