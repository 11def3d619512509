#include "safe_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

class Descriptor {
public:
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  Descriptor(const Descriptor &) = delete;
  Descriptor &operator=(const Descriptor &) = delete;
  void Reset(int newFd) {
    if (fd >= 0) close(fd);
    fd = newFd;
  }
  int Get() const { return fd; }
  int Release() {
    int released = fd;
    fd = -1;
    return released;
  }

private:
  int fd;
};

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

bool WriteBelow(const std::string &directory, const std::string &name, const void *data, std::size_t size) {
  if (!IsSafeEntryName(name)) {
    errno = EINVAL;
    return false;
  }
  std::vector<std::string> parts = Components(name);
  Descriptor at(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (at.Get() < 0) return false;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (mkdirat(at.Get(), parts[i].c_str(), 0777) != 0 && errno != EEXIST) return false;
    int next = openat(at.Get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return false;
    at.Reset(next);
  }
  Descriptor file(openat(at.Get(), parts.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (file.Get() < 0) return false;
  const char *bytes = static_cast<const char *>(data);
  for (std::size_t written = 0; written < size;) {
    ssize_t n = write(file.Get(), bytes + written, size - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  // A full disk may only show when the file is closed.
  return close(file.Release()) == 0;
}
