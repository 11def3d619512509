// What the fuzzing harnesses share.
#pragma once

#include <kiln/qdebug.h>

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kiln::fuzz {

// The outputs would fill the terminal and a log file; they are dropped.
// Returns true, so a harness can call it once from a static initializer.
inline bool SilenceDiagnostics() {
  auto drop = [](const char *) {};
  qdbg_set_callback(drop);
  qwarn_set_callback(drop);
  qerr_set_callback(drop);
  qout_set_callback(drop);
  return true;
}

// An anonymous file in memory, named by its /proc/self/fd path, for the
// readers that take a file name: no disk between one input and the next.
class MemoryFile {
public:
  MemoryFile() : fd(memfd_create("kiln-fuzz", 0)), path("/proc/self/fd/" + std::to_string(fd)) {}
  ~MemoryFile() { close(fd); }
  MemoryFile(const MemoryFile &) = delete;
  MemoryFile &operator=(const MemoryFile &) = delete;

  const char *Path() const { return path.c_str(); }
  // Replaces the content.
  void Fill(const uint8_t *data, size_t size) {
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();
  }
  std::vector<char> Bytes() const {
    std::vector<char> bytes(static_cast<size_t>(lseek(fd, 0, SEEK_END)));
    if (pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) bytes.clear();
    return bytes;
  }

private:
  int fd;
  std::string path;
};

// A directory of its own that stays empty: where a harness's model "lies",
// so that nothing is ever found beside it.
struct EmptyDirectory {
  std::string path;
  EmptyDirectory() {
    const char *parent = getenv("TMPDIR");
    std::string pattern = std::string(parent && *parent ? parent : "/tmp") + "/kiln-fuzz-XXXXXX";
    path = mkdtemp(pattern.data()) ? pattern : "/nonexistent";
  }
  ~EmptyDirectory() { rmdir(path.c_str()); }
  EmptyDirectory(const EmptyDirectory &) = delete;
  EmptyDirectory &operator=(const EmptyDirectory &) = delete;
};

}  // namespace kiln::fuzz
