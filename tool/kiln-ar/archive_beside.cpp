#include "archive_beside.h"

#include <kiln/qdebug.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

// Copies the file with its permissions; false on any failure.
bool CopyFile(const std::string &from, const std::string &to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat status;
  const int out = fstat(in, &status) == 0 ? open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
  bool copied = out >= 0 && fchmod(out, status.st_mode & 07777) == 0;
  char buffer[65536];
  for (ssize_t got; copied && (got = read(in, buffer, sizeof buffer)) != 0;) {
    copied = got > 0 && write(out, buffer, static_cast<std::size_t>(got)) == got;
  }
  if (out >= 0 && close(out) != 0) copied = false;
  close(in);
  return copied;
}

// Where the archive really lives: a symbolic link keeps pointing at it.
std::string Resolved(const std::string &path) {
  struct stat status;
  char real[PATH_MAX];
  if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode) && realpath(path.c_str(), real)) return real;
  return path;
}

void Quiet(const char *) {}

// Whether the file opens as an archive, asked without a word.
bool IsReadableArchive(const std::string &path) {
  const QDebugCallback warnings = qwarn_set_callback(Quiet), errors = qerr_set_callback(Quiet);
  const bool readable = QArchive(path.c_str(), AR_READ).IsOpen();
  qwarn_set_callback(warnings);
  qerr_set_callback(errors);
  return readable;
}

}  // namespace

ArchiveBeside::ArchiveBeside(const std::string &name, int mode) : target(Resolved(name)), beside(target + ".partial") {
  if (mode == AR_UPDATE) {
    if (!IsReadableArchive(target)) {
      // Refused by the archive itself, which says why and writes nothing.
      archive = std::make_unique<QArchive>(target.c_str(), AR_UPDATE);
      archive->Close();
      return;
    }
    if (!CopyFile(target, beside)) return;
  }
  archive = std::make_unique<QArchive>(beside.c_str(), mode);
}

ArchiveBeside::~ArchiveBeside() {
  archive.reset();
  if (!committed) std::remove(beside.c_str());
}

bool ArchiveBeside::Commit() {
  if (!Get()) return false;
  archive->Close();
  const int written = open(beside.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = written >= 0 && fsync(written) == 0;
  if (written >= 0) close(written);
  committed = synced && std::rename(beside.c_str(), target.c_str()) == 0;
  return committed;
}
