// Helpers for tests that work on real files and real processes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kiln::test {

// A fresh directory below /tmp, removed with everything in it at the end.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;

  const std::string &path() const { return root; }
  std::string Path(const std::string &relative) const { return root + "/" + relative; }

  // Creates the file (and its directories) with the given content.
  void WriteFile(const std::string &relative, const std::string &content) const;
  // Creates the directory and its parents.
  void MakeDir(const std::string &relative) const;

private:
  std::string root;
};

// Unmounts a directory when it goes, however the test ends: declare it
// before anything that opens files on the mount, so that they are closed
// first. A failed unmount fails the test.
class MountedAt {
public:
  MountedAt() = default;
  ~MountedAt();
  MountedAt(const MountedAt &) = delete;
  MountedAt &operator=(const MountedAt &) = delete;

  // From now on the directory is this guard's to unmount (and remove).
  void Take(const std::string &path);
  bool IsMounted() const { return !mountPoint.empty(); }
  const std::string &path() const { return mountPoint; }

private:
  std::string mountPoint;
};

// A small tmpfs mounted at a new directory for as long as the object lives,
// to make a disk fill up. Needs root: check IsMounted().
class SmallFileSystem : public MountedAt {
public:
  SmallFileSystem(const std::string &path, const char *size);
};

std::string ReadFile(const std::string &path);
bool Exists(const std::string &path);
std::vector<std::string> SplitLines(const std::string &text);
// Every path below the directory, relative to it, sorted; directories end
// in '/'. Symbolic links are listed, not followed.
std::vector<std::string> ListTree(const std::string &directory);
void RemoveTree(const std::string &path);

struct ProcessResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs a program with its working directory set, optionally as another
// user, and collects its outputs.
ProcessResult RunProgram(const std::vector<std::string> &argv, const std::string &workingDir, int uid = -1);

// Runs a program with the arguments after its path.
ProcessResult RunTool(const std::string &program, const std::vector<std::string> &args, const std::string &workingDir);

// Runs `body` in a forked child whose working directory is `workingDir` and
// whose standard output and error are collected. The child ends with status
// 0 when `body` returns.
ProcessResult RunInChild(const std::function<void()> &body, const std::string &workingDir);

// A program started in the background, its outputs going to files that can
// be read while it runs. Killed when the object goes and it still runs.
class BackgroundProgram {
public:
  BackgroundProgram(const std::vector<std::string> &argv, const std::string &workingDir);
  ~BackgroundProgram();
  BackgroundProgram(const BackgroundProgram &) = delete;
  BackgroundProgram &operator=(const BackgroundProgram &) = delete;

  // Waits until its standard output holds the text; false when it ended or
  // the time ran out first.
  bool WaitForOutput(const std::string &text, int milliseconds);
  // Waits for its end, killing it after the time: status and outputs.
  ProcessResult Wait(int milliseconds);
  // Sends it the signal while it runs.
  void Signal(int signal) const;
  // Whether it still runs, and its process id.
  bool Running() const;
  int Pid() const { return pid; }

private:
  int pid = -1;
  std::string outFile, errFile;
};

}  // namespace kiln::test
