// The walk of tindle: lowers the case of every name below a directory.
#pragma once

// True when the name holds an ASCII upper-case letter.
bool HasUpperCase(const char *name);

// Walks the directory depth first, renaming each entry with upper-case
// letters to its lower-case name; returns the number of renames.
int RenameTree(const char *path);
