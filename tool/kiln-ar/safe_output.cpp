#include "safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <vector>

namespace {

std::vector<std::string> Components(const std::string &name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string::npos) slash = name.size();
    std::string part = name.substr(start, slash - start);
    if (!part.empty() && part != ".") parts.push_back(part);
    start = slash + 1;
  }
  return parts;
}

// Keeps errno across the clean-up calls that follow a failure.
void CloseKeepingErrno(int fd) {
  int saved = errno;
  close(fd);
  errno = saved;
}

// The directory that holds the entry, reached without following links.
int OpenParent(const std::string &directory, const std::vector<std::string> &parts) {
  int at = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (std::size_t i = 0; at >= 0 && i + 1 < parts.size(); ++i) {
    int next = -1;
    if (mkdirat(at, parts[i].c_str(), 0777) == 0 || errno == EEXIST) {
      next = openat(at, parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    CloseKeepingErrno(at);
    at = next;
  }
  return at;
}

}  // namespace

bool IsSafeEntryName(const std::string &name) {
  if (name.empty() || name[0] == '/') return false;
  std::vector<std::string> parts = Components(name);
  if (parts.empty()) return false;
  for (const std::string &part : parts) {
    if (part == "..") return false;
  }
  return true;
}

OutputBelow::OutputBelow(const std::string &directoryPath, const std::string &name) {
  if (!IsSafeEntryName(name)) {
    errno = EINVAL;
    return;
  }
  std::vector<std::string> parts = Components(name);
  directory = OpenParent(directoryPath, parts);
  if (directory < 0) return;
  leaf = parts.back();
  std::random_device seed;
  std::minstd_rand random(seed());
  for (int attempt = 0; attempt < 100 && file < 0; ++attempt) {
    temporary = "." + leaf + ".part-" + std::to_string(random() % 1000000);
    file = openat(directory, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file < 0 && errno != EEXIST) break;
  }
}

OutputBelow::~OutputBelow() {
  if (file >= 0) {
    close(file);
    unlinkat(directory, temporary.c_str(), 0);
  }
  if (directory >= 0) close(directory);
}

bool OutputBelow::Write(const void *data, std::size_t size) {
  const char *bytes = static_cast<const char *>(data);
  for (std::size_t written = 0; written < size;) {
    ssize_t n = write(file, bytes + written, size - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return true;
}

bool OutputBelow::Commit() {
  int closing = file;
  file = -1;
  if (close(closing) == 0 && renameat(directory, temporary.c_str(), directory, leaf.c_str()) == 0) return true;
  int saved = errno;
  unlinkat(directory, temporary.c_str(), 0);
  errno = saved;
  return false;
}
