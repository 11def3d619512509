// Writes extracted entries below a directory, and nowhere else.
#pragma once

#include <string>

// Whether an entry name stays below the target directory: not absolute, no
// ".." component, not empty.
bool IsSafeEntryName(const std::string &name);

// Writes the bytes to the entry's path below `directory`, making the
// directories on the way. Symbolic links are never followed on that way,
// so nothing lands outside. False (with errno set) on failure.
bool WriteBelow(const std::string &directory, const std::string &name, const void *data, std::size_t size);
