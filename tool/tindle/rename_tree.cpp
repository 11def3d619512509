#include "rename_tree.h"

#include <kiln/qdebug.h>
#include <kiln/qdirectory.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kPathSize = 1024;

// One directory on the way from the top of the walk down to the current one.
struct WalkedDirectory {
  uint64_t device;
  uint64_t inode;
  const WalkedDirectory *parent;
};

bool IsOnWalkPath(const WalkedDirectory *walked, const QDirInfo &info) {
  for (; walked; walked = walked->parent) {
    if (walked->device == info.device && walked->inode == info.inode) return true;
  }
  return false;
}

// False when the joined path does not fit: a cut path could name another file.
bool JoinPath(char (&out)[kPathSize], const char *directory, const char *name) {
  std::size_t directoryLength = std::strlen(directory);
  std::size_t nameLength = std::strlen(name);
  if (directoryLength + 1 + nameLength >= kPathSize) return false;
  std::memcpy(out, directory, directoryLength);
  out[directoryLength] = '/';
  std::memcpy(out + directoryLength + 1, name, nameLength + 1);
  return true;
}

void LowerCase(char (&out)[kPathSize], const char *name) {
  std::size_t i = 0;
  for (; name[i] && i < kPathSize - 1; ++i) {
    char c = name[i];
    out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
  }
  out[i] = '\0';
}

bool SameFile(const char *a, const char *b) {
  struct stat first, second;
  return lstat(a, &first) == 0 && lstat(b, &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

// rename() that fails with EEXIST instead of replacing an existing entry.
int RenameNoReplace(const char *from, const char *to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // The file system can't refuse by itself; look before renaming.
  struct stat status;
  if (lstat(to, &status) == 0) {
    errno = EEXIST;
    return -1;
  }
  return std::rename(from, to);
}

enum class Outcome { kRenamed, kTargetExists, kFailed };

// `from` and `to` name the same file. On a case-insensitive file system they
// are one entry whose case only changes by way of a third name; two hard
// links are two entries, and both stay.
Outcome RenameCaseOnly(const char *directory, const char *from, const char *to) {
  char detour[kPathSize];
  char detourName[64];
  std::snprintf(detourName, sizeof detourName, ".tindle-%d", static_cast<int>(getpid()));
  if (!JoinPath(detour, directory, detourName) || RenameNoReplace(from, detour) != 0) return Outcome::kFailed;
  struct stat status;
  if (lstat(to, &status) == 0) {
    RenameNoReplace(detour, from);
    return Outcome::kTargetExists;
  }
  if (RenameNoReplace(detour, to) != 0) {
    int error = errno;
    RenameNoReplace(detour, from);
    errno = error;
    return Outcome::kFailed;
  }
  return Outcome::kRenamed;
}

// Renames without ever replacing another entry. When the entry keeps its old
// name, says why and returns false.
bool RenameEntry(const char *directory, const char *from, const char *to) {
  Outcome outcome = Outcome::kRenamed;
  if (RenameNoReplace(from, to) != 0) {
    outcome = errno == EEXIST ? Outcome::kTargetExists : Outcome::kFailed;
    if (outcome == Outcome::kTargetExists && SameFile(from, to)) outcome = RenameCaseOnly(directory, from, to);
  }
  if (outcome == Outcome::kTargetExists) {
    qwarn("tindle: not renaming %s: %s already exists", from, to);
  } else if (outcome == Outcome::kFailed) {
    qwarn("tindle: can't rename %s to %s: %s", from, to, std::strerror(errno));
  }
  return outcome == Outcome::kRenamed;
}

int Walk(const char *path, const WalkedDirectory *walked) {
  QDirectory directory(path);
  char name[kPathSize];
  char lowerName[kPathSize];
  char oldPath[kPathSize];
  char newPath[kPathSize];
  QDirInfo info;
  int count = 0;

  while (directory.ReadNext(name, nullptr)) {
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // Taken before anything is renamed. Only what may be a directory needs
    // its status: the walk goes into it, and must know it to avoid loops.
    if (directory.LastEntryKind() == QDirectory::EntryKind::kOther) {
      info = QDirInfo{};
    } else {
      directory.GetEntryInfo(name, &info);
    }
    qdbg("%s/%s...\n", path, name);
    if (!JoinPath(oldPath, path, name)) {
      qwarn("tindle: skipping %s/%s: path too long", path, name);
      continue;
    }

    const char *currentPath = oldPath;
    if (HasUpperCase(name)) {
      LowerCase(lowerName, name);
      JoinPath(newPath, path, lowerName);  // same length as oldPath
      qdbg("  renaming to %s.\n", newPath);
      if (RenameEntry(path, oldPath, newPath)) {
        ++count;
        currentPath = newPath;
      }
    }

    if (!info.isDir) continue;
    if (IsOnWalkPath(walked, info)) {
      qwarn("tindle: not walking %s: it leads back to a directory above it", currentPath);
      continue;
    }
    const WalkedDirectory below{info.device, info.inode, walked};
    count += Walk(currentPath, &below);
  }
  return count;
}

}  // namespace

bool HasUpperCase(const char *name) {
  for (; *name; ++name) {
    if (*name >= 'A' && *name <= 'Z') return true;
  }
  return false;
}

int RenameTree(const char *path) {
  QDirInfo top;
  if (!QDirectory::GetInfo(path, &top)) return Walk(path, nullptr);
  const WalkedDirectory root{top.device, top.inode, nullptr};
  return Walk(path, &root);
}
