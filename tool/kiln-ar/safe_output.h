// Writes extracted entries below a directory, and nowhere else.
#pragma once

#include <cstddef>
#include <string>

// Whether an entry name stays below the target directory: not absolute, no
// ".." component, not empty.
bool IsSafeEntryName(const std::string &name);

// A file written at the entry's path below a directory, making the
// directories on the way. Symbolic links are never followed on that way, so
// nothing lands outside. The bytes go to a temporary file beside the target,
// which takes the entry's name only when Commit() succeeds: a failure
// midway leaves no partial file under that name. Failures set errno.
class OutputBelow {
public:
  OutputBelow(const std::string &directory, const std::string &name);
  // Removes the temporary file unless it was committed.
  ~OutputBelow();
  OutputBelow(const OutputBelow &) = delete;
  OutputBelow &operator=(const OutputBelow &) = delete;

  bool IsOpen() const { return file >= 0; }
  bool Write(const void *data, std::size_t size);
  // Closes the file (where a full disk may show) and renames it.
  bool Commit();

private:
  int directory = -1;
  int file = -1;
  std::string leaf, temporary;
};
