#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <ftw.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace kiln::test {
namespace {

int RemoveEntry(const char *path, const struct stat *, int type, struct FTW *) {
  return type == FTW_DP ? rmdir(path) : unlink(path);
}

void MakeParents(const std::string &path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0777);
  }
}

void ListInto(const std::string &root, const std::string &relative, std::vector<std::string> &out) {
  std::string directory = relative.empty() ? root : root + "/" + relative;
  DIR *stream = opendir(directory.c_str());
  if (!stream) return;
  while (const dirent *entry = readdir(stream)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = relative.empty() ? name : relative + "/" + name;
    struct stat status;
    if (lstat((root + "/" + path).c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
      out.push_back(path + "/");
      ListInto(root, path, out);
    } else {
      out.push_back(path);
    }
  }
  closedir(stream);
}

ProcessResult Collect(pid_t child, const std::string &outFile, const std::string &errFile) {
  ProcessResult result;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = ReadFile(outFile);
  result.err = ReadFile(errFile);
  unlink(outFile.c_str());
  unlink(errFile.c_str());
  return result;
}

void RedirectOutputs(const std::string &outFile, const std::string &errFile) {
  int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0 || err < 0) _exit(126);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
}

// Where the suite's scratch files go: the run's own directory when it has
// one (see run-in-scratch.sh), so that whatever a test leaves goes with it.
std::string ScratchRoot() {
  const char *root = std::getenv("TMPDIR");
  return root && *root ? root : "/tmp";
}

std::string OutputName(const char *kind) {
  static int counter = 0;
  return ScratchRoot() + "/kiln-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "." + kind;
}

}  // namespace

TempDir::TempDir() {
  std::string pattern = ScratchRoot() + "/kiln-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  root = pattern;
  chmod(root.c_str(), 0777);
}

TempDir::~TempDir() { RemoveTree(root); }

void TempDir::WriteFile(const std::string &relative, const std::string &content) const {
  std::string path = Path(relative);
  MakeParents(path);
  std::ofstream(path, std::ios::binary) << content;
}

void TempDir::MakeDir(const std::string &relative) const {
  std::string path = Path(relative) + "/";
  MakeParents(path);
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string &path) {
  struct stat status;
  return lstat(path.c_str(), &status) == 0;
}

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> ListTree(const std::string &directory) {
  std::vector<std::string> entries;
  ListInto(directory, "", entries);
  std::sort(entries.begin(), entries.end());
  return entries;
}

void RemoveTree(const std::string &path) {
  nftw(path.c_str(), RemoveEntry, 32, FTW_DEPTH | FTW_PHYS);
}

// Runs `body` in a forked child with its outputs collected; the child ends
// with status 0 when `body` returns.
static ProcessResult Spawn(const std::string &workingDir, const std::function<void()> &body) {
  std::string outFile = OutputName("out");
  std::string errFile = OutputName("err");
  std::fflush(nullptr);
  pid_t child = fork();
  if (child == 0) {
    RedirectOutputs(outFile, errFile);
    if (chdir(workingDir.c_str()) != 0) _exit(126);
    body();
    std::fflush(nullptr);
    _exit(0);
  }
  return Collect(child, outFile, errFile);
}

ProcessResult RunProgram(const std::vector<std::string> &argv, const std::string &workingDir, int uid) {
  return Spawn(workingDir, [&] {
    if (uid >= 0 && (setgid(uid) != 0 || setuid(uid) != 0)) _exit(126);
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  });
}

ProcessResult RunTool(const std::string &program, const std::vector<std::string> &args, const std::string &workingDir) {
  std::vector<std::string> argv{program};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, workingDir);
}

ProcessResult RunInChild(const std::function<void()> &body, const std::string &workingDir) {
  return Spawn(workingDir, body);
}

MountedAt::~MountedAt() {
  if (mountPoint.empty()) return;
  if (umount(mountPoint.c_str()) != 0) {
    ADD_FAILURE() << "can't unmount " << mountPoint << ": " << std::strerror(errno);
    return;
  }
  rmdir(mountPoint.c_str());
}

void MountedAt::Take(const std::string &path) { mountPoint = path; }

SmallFileSystem::SmallFileSystem(const std::string &path, const char *size) {
  if (geteuid() != 0 || mkdir(path.c_str(), 0777) != 0) return;
  std::string options = std::string("size=") + size;
  if (mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()) == 0) Take(path);
  else rmdir(path.c_str());
}

namespace {

// Without reaping it.
bool HasEnded(pid_t child) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

}  // namespace

BackgroundProgram::BackgroundProgram(const std::vector<std::string> &argv, const std::string &workingDir)
    : outFile(OutputName("out")), errFile(OutputName("err")) {
  std::fflush(nullptr);
  pid = fork();
  if (pid == 0) {
    RedirectOutputs(outFile, errFile);
    if (chdir(workingDir.c_str()) != 0) _exit(126);
    std::vector<char *> args;
    for (const std::string &arg : argv) args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
}

BackgroundProgram::~BackgroundProgram() {
  if (pid > 0) Wait(0);
}

bool BackgroundProgram::WaitForOutput(const std::string &text, int milliseconds) {
  for (int waited = 0;; waited += 10) {
    if (ReadFile(outFile).find(text) != std::string::npos) return true;
    if (pid <= 0 || HasEnded(pid) || waited >= milliseconds) {
      return ReadFile(outFile).find(text) != std::string::npos;
    }
    usleep(10000);
  }
}

bool BackgroundProgram::Running() const { return pid > 0 && !HasEnded(pid); }

void BackgroundProgram::Signal(int signal) const {
  if (pid > 0) kill(pid, signal);
}

ProcessResult BackgroundProgram::Wait(int milliseconds) {
  if (pid <= 0) return {};
  for (int waited = 0; !HasEnded(pid); waited += 10) {
    if (waited >= milliseconds) {
      kill(pid, SIGKILL);
      break;
    }
    usleep(10000);
  }
  const pid_t child = pid;
  pid = -1;
  return Collect(child, outFile, errFile);
}

}  // namespace kiln::test
