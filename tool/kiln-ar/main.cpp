// kiln-ar: creates, lists and extracts archives, in the style of ar and tar.
#include <kiln/qarchive.h>
#include <kiln/qdebug.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "archive_beside.h"
#include "safe_output.h"
#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-ar c ARCHIVE FILE...              create ARCHIVE holding the files\n"
    "       kiln-ar r ARCHIVE FILE...              add the files to ARCHIVE\n"
    "       kiln-ar t [-v] ARCHIVE                 list the entries (-v: with their sizes)\n"
    "       kiln-ar x ARCHIVE [NAME...] [-C DIR]   extract all or the named entries\n"
    "       kiln-ar p ARCHIVE NAME                 write an entry to standard output\n"
    "Entries are named as the paths given. Extraction never writes outside DIR\n"
    "(the current directory by default): absolute names and names with '..'\n"
    "are skipped.\n";


int Error(const std::string &message) { return kiln::tool::Fail("kiln-ar", message); }

int Add(const char *archiveName, int mode, const std::vector<std::string> &files) {
  ArchiveBeside beside(archiveName, mode);
  QArchive *archive = beside.Get();
  if (!archive) return Error(std::string("can't open archive '") + archiveName + "'");
  int status = 0;
  for (const std::string &file : files) {
    if (QIsDirectory(file.c_str())) {
      status = Error("'" + file + "' is a directory");
    } else if (!QFileExists(file.c_str())) {
      status = Error("can't read '" + file + "': " + std::strerror(errno));
    } else if (!archive->AddFile(file.c_str(), file.c_str())) {
      status = Error("can't add '" + file + "'");
    }
  }
  if (!beside.Commit()) return Error(std::string("can't write archive '") + archiveName + "': " + std::strerror(errno));
  return status;
}

int List(const char *archiveName, bool verbose) {
  QArchive archive(archiveName, AR_READ);
  if (!archive.IsOpen()) return Error(std::string("'") + archiveName + "' is no readable archive");
  qstring name;
  int size = 0;
  while (archive.GetNextEntry(name, nullptr, &size)) {
    if (verbose) {
      std::printf("%10d %s\n", size, name.CStr());
    } else {
      std::printf("%s\n", name.CStr());
    }
  }
  return std::fflush(stdout) == 0 ? 0 : kiln::tool::kFailure;
}

bool FindRecordedSize(QArchive &archive, const std::string &wanted, int *recorded) {
  archive.Rewind();
  qstring name;
  while (archive.GetNextEntry(name, nullptr, recorded)) {
    if (wanted == name.CStr()) return true;
  }
  return false;
}

// An entry recorded without data (its source was missing) has nothing to
// give; every other entry is decoded chunk by chunk.
bool HasData(int recorded) { return recorded >= 0; }

int ExtractOne(QArchive &archive, const std::string &name, int recorded, const std::string &directory) {
  if (!IsSafeEntryName(name)) return Error("skipping '" + name + "': it would land outside the target directory");
  if (!HasData(recorded)) return Error("can't read entry '" + name + "'");
  OutputBelow output(directory, name);
  if (!output.IsOpen()) return Error("can't write '" + name + "' below '" + directory + "': " + std::strerror(errno));
  int writeError = 0;
  bool decoded = archive.StreamEntry(name.c_str(), [&](const uint8_t *data, int length) {
    if (output.Write(data, static_cast<std::size_t>(length))) return true;
    writeError = errno;
    return false;
  });
  if (!decoded && writeError == 0) return Error("can't read entry '" + name + "'");
  if (!decoded || !output.Commit()) {
    return Error("can't write '" + name + "' below '" + directory + "': " + std::strerror(writeError ? writeError : errno));
  }
  return 0;
}

int Extract(const char *archiveName, const std::vector<std::string> &names, const std::string &directory) {
  QArchive archive(archiveName, AR_READ);
  if (!archive.IsOpen()) return Error(std::string("'") + archiveName + "' is no readable archive");
  int status = 0;
  if (names.empty()) {
    // Every name once: where a name occurs twice, the first entry counts.
    std::vector<std::pair<std::string, int>> entries;
    std::set<std::string> seen;
    qstring name;
    int size = 0;
    while (archive.GetNextEntry(name, nullptr, &size)) {
      if (seen.insert(name.CStr()).second) entries.emplace_back(name.CStr(), size);
    }
    for (const auto &entry : entries) {
      if (ExtractOne(archive, entry.first, entry.second, directory) != 0) status = kiln::tool::kFailure;
    }
    return status;
  }
  for (const std::string &name : names) {
    int recorded = 0;
    if (!FindRecordedSize(archive, name, &recorded)) {
      status = Error("'" + name + "' is not in the archive");
    } else if (ExtractOne(archive, name, recorded, directory) != 0) {
      status = kiln::tool::kFailure;
    }
  }
  return status;
}

int Print(const char *archiveName, const std::string &name) {
  QArchive archive(archiveName, AR_READ);
  if (!archive.IsOpen()) return Error(std::string("'") + archiveName + "' is no readable archive");
  int recorded = 0;
  if (!FindRecordedSize(archive, name, &recorded)) return Error("'" + name + "' is not in the archive");
  if (!HasData(recorded)) return Error("can't read entry '" + name + "'");
  bool writeFailed = false;
  bool decoded = archive.StreamEntry(name.c_str(), [&](const uint8_t *data, int length) {
    writeFailed = std::fwrite(data, 1, static_cast<std::size_t>(length), stdout) != static_cast<std::size_t>(length);
    return !writeFailed;
  });
  if (writeFailed || std::fflush(stdout) != 0) return Error("can't write to standard output");
  if (!decoded) return Error("can't read entry '" + name + "'");
  return 0;
}

int Usage() { return kiln::tool::Usage(kHelp); }

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();

  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  std::string command = args[0];
  if (kiln::tool::IsHelpRequest(command)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  bool verbose = false;
  std::string directory = ".";
  std::vector<std::string> operands;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "-v") {
      verbose = true;
    } else if (args[i] == "-C" && command == "x" && i + 1 < args.size()) {
      directory = args[++i];
    } else {
      operands.push_back(args[i]);
    }
  }
  if (operands.empty()) return Usage();
  const char *archive = operands[0].c_str();
  std::vector<std::string> rest(operands.begin() + 1, operands.end());

  if (command == "c" && !rest.empty()) return Add(archive, AR_CREATE, rest);
  if (command == "r" && !rest.empty()) return Add(archive, AR_UPDATE, rest);
  if (command == "t" && rest.empty()) return List(archive, verbose);
  if (command == "x") return Extract(archive, rest, directory);
  if (command == "p" && rest.size() == 1) return Print(archive, rest[0]);
  return Usage();
}
