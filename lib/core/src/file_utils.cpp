// File-name expansion and whole-file helpers.
#include <kiln/qutil.h>

#include <kiln/qdebug.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::size_t kExpandSize = 1024;

bool SameFile(FILE *a, FILE *b) {
  struct stat first, second;
  return fstat(fileno(a), &first) == 0 && fstat(fileno(b), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

}  // namespace

const char *QExpandFilename(const char *name) {
  static char expanded[kExpandSize];
  if (!name) return name;
  std::size_t length = std::strlen(name);
  if (length > kExpandSize) {
    qerr("QExpandFilename() called on string with length>256");
    return name;
  }
  const char *colon = std::strchr(name, ':');
  if (!colon) return name;
  char variable[kExpandSize];
  std::size_t variableLength = static_cast<std::size_t>(colon - name);
  std::memcpy(variable, name, variableLength);
  variable[variableLength] = '\0';
  const char *value = std::getenv(variable);
  if (!value) return name;
  int written = std::snprintf(expanded, sizeof expanded, "%s/%s", value, colon + 1);
  if (written < 0 || static_cast<std::size_t>(written) >= sizeof expanded) return name;
  return expanded;
}

bool QFileExists(const char *name) {
  if (!name || !*name) return false;
  FILE *file = std::fopen(QExpandFilename(name), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

long QFileSize(const char *name) {
  if (!name) return -1;
  FILE *file = std::fopen(QExpandFilename(name), "rb");
  if (!file) return -1;
  struct stat status;
  long size = fstat(fileno(file), &status) == 0 ? static_cast<long>(status.st_size) : -1;
  std::fclose(file);
  return size;
}

bool QReadFile(const char *name, void *buffer, long length) {
  if (!name) return false;
  FILE *file = std::fopen(QExpandFilename(name), "rb");
  if (!file) return false;
  if (length > 0) std::fread(buffer, 1, static_cast<std::size_t>(length), file);
  std::fclose(file);
  return true;
}

bool QWriteFile(const char *name, const void *data, long length) {
  if (!name) return false;
  FILE *file = std::fopen(QExpandFilename(name), "wb");
  if (!file) return false;
  bool complete = length <= 0 || std::fwrite(data, 1, static_cast<std::size_t>(length), file) ==
                                     static_cast<std::size_t>(length);
  // A full disk may only show when the buffer is written out on close.
  if (std::fclose(file) != 0) complete = false;
  return complete;
}

bool QCopyFile(const char *source, const char *destination) {
  char cwd[1024];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  qdbg("QCopyFile(%s,%s); cwd='%s'\n", source, destination, cwd);
  FILE *in = std::fopen(QExpandFilename(source), "rb");
  if (!in) return false;
  // Opened without truncating first: a copy onto its own source would
  // otherwise destroy it.
  FILE *out = std::fopen(QExpandFilename(destination), "ab");
  if (!out) {
    std::fclose(in);
    return false;
  }
  if (SameFile(in, out)) {
    qwarn("QCopyFile(); '%s' and '%s' are the same file", source, destination);
    std::fclose(in);
    std::fclose(out);
    return false;
  }
  bool complete = ftruncate(fileno(out), 0) == 0;
  char block[1024];
  std::size_t got;
  while (complete && (got = std::fread(block, 1, sizeof block, in)) > 0) {
    if (std::fwrite(block, 1, got, out) != got) complete = false;
  }
  if (std::ferror(in)) complete = false;
  std::fclose(in);
  if (std::fclose(out) != 0) complete = false;
  return complete;
}

bool QMakeDir(const char *path, int mode) { return path && mkdir(path, static_cast<mode_t>(mode)) == 0; }

bool QRemoveDir(const char *name) { return name && rmdir(QExpandFilename(name)) == 0; }

bool QRemoveFile(const char *name) { return name && unlink(QExpandFilename(name)) == 0; }

bool QIsDirectory(const char *path) {
  struct stat status;
  return path && stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}
