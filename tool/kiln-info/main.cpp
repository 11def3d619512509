// kiln-info: reads, changes and checks configuration files.
#include <kiln/qdebug.h>
#include <kiln/qinfo.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-info get FILE PATH        print the value at PATH\n"
    "       kiln-info set FILE PATH VALUE  set the value at PATH and write FILE back\n"
    "       kiln-info dump FILE            print the whole tree in its written form\n"
    "       kiln-info check FILE           print every warning reading FILE gives;\n"
    "                                      exit status 1 when there was one\n"
    "PATH is a dotted path such as general.screen.width.\n";

int warnings = 0;

void CountWarning(const char *text) {
  ++warnings;
  std::fputs(text, stderr);
}

int Fail(const std::string &message) { return kiln::tool::Fail("kiln-info", message); }

bool FileExists(const char *path) {
  struct stat status;
  return stat(path, &status) == 0;
}

int Get(const char *file, const char *path) {
  QInfo info(file, QINFO_QUIET);
  if (!info.IsLoaded()) return Fail(std::string("can't read '") + file + "'");
  char value[1024];
  if (!info.GetString(path, value)) return Fail(std::string(path) + ": not found in '" + file + "'");
  std::printf("%s\n", value);
  return 0;
}

int Set(const char *file, const char *path, const char *value) {
  QInfo info(file, QINFO_QUIET);
  if (!info.IsLoaded() && FileExists(file)) return Fail(std::string("can't read '") + file + "'");
  if (!info.SetString(path, value)) {
    return Fail(std::string("can't set '") + path +
                "': it names a tree or runs through a value, or the name or value can't be stored");
  }
  if (!info.Write()) return Fail(std::string("can't write '") + file + "'");
  return 0;
}

int Dump(const char *file) {
  QInfo info(file, QINFO_QUIET);
  if (!info.IsLoaded()) return Fail(std::string("can't read '") + file + "'");
  return info.WriteTo(stdout) ? 0 : Fail("can't write the output");
}

int Check(const char *file) {
  QDebugCallback previous = qwarn_set_callback(CountWarning);
  QInfo info(file, 0);
  qwarn_set_callback(previous);
  if (warnings == 0) std::printf("%s: no warnings\n", file);
  return warnings == 0 ? 0 : kiln::tool::kFailure;
}

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();
  std::string command = argc > 1 ? argv[1] : "";
  if (kiln::tool::IsHelpRequest(command)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (command == "get" && argc == 4) return Get(argv[2], argv[3]);
  if (command == "set" && argc == 5) return Set(argv[2], argv[3], argv[4]);
  if (command == "dump" && argc == 3) return Dump(argv[2]);
  if (command == "check" && argc == 3) return Check(argv[2]);
  return kiln::tool::Usage(kHelp);
}
