#include <kiln/qdirectory.h>

#include <kiln/qmemory.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>

namespace {

void FillInfo(const struct stat &status, QDirInfo *info) {
  info->size = static_cast<int64_t>(status.st_size);
  info->isDir = S_ISDIR(status.st_mode);
  info->device = static_cast<uint64_t>(status.st_dev);
  info->inode = static_cast<uint64_t>(status.st_ino);
}

}  // namespace

QDirectory::QDirectory(const char *path) { Open(path); }

QDirectory::~QDirectory() {
  Close();
  QFree(path);
  path = nullptr;
}

void QDirectory::Close() {
  if (dir) closedir(dir);
  dir = nullptr;
}

bool QDirectory::Open(const char *newPath) {
  Close();
  QFree(path);
  path = nullptr;
  if (!newPath) return false;
  path = QStrDup(newPath);
  dir = opendir(newPath);
  return dir != nullptr;
}

bool QDirectory::ReadNext(char *name, QDirInfo *info) {
  if (!dir) return false;
  const struct dirent *entry = readdir(dir);
  if (!entry) return false;
  switch (entry->d_type) {
    case DT_DIR: lastKind = EntryKind::kDirectory; break;
    case DT_LNK:
    case DT_UNKNOWN: lastKind = EntryKind::kUnknown; break;
    default: lastKind = EntryKind::kOther; break;
  }
  std::size_t length = strnlen(entry->d_name, sizeof entry->d_name - 1);
  std::memcpy(name, entry->d_name, length);
  name[length] = '\0';
  if (info) GetEntryInfo(name, info);
  return true;
}

bool QDirectory::GetEntryInfo(const char *name, QDirInfo *info) const {
  // Relative to the open stream: no joined path that could be too long, and
  // the entry of this very directory even if its path changed.
  struct stat status;
  if (!dir || fstatat(dirfd(dir), name, &status, 0) != 0) {
    *info = QDirInfo{};
    return false;
  }
  FillInfo(status, info);
  return true;
}

bool QDirectory::GetInfo(const char *path, QDirInfo *info) {
  struct stat status;
  if (!path || stat(path, &status) != 0) {
    *info = QDirInfo{};
    return false;
  }
  FillInfo(status, info);
  return true;
}
