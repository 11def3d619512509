// kiln-tape: lists, checks, cuts and compares the VCR tapes the state
// manager records.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tape_commands.h"
#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-tape list TAPE         each record: offset, number, state, data size, first data bytes\n"
    "       kiln-tape check TAPE        walk the records both ways and name any damage and its offset\n"
    "       kiln-tape cut TAPE N OUT    write the first N records of TAPE as the tape OUT\n"
    "       kiln-tape diff A B          the first record where two tapes differ\n"
    "The exit status is 1 for a damaged tape (list, check), one that can't be cut,\n"
    "or tapes that differ (diff).\n";

// Tapes larger than this are not read (a session records a few hundred bytes
// a change; the walk takes five bytes of memory for each of the tape's).
constexpr long kLargestTape = 64L << 20;

int Fail(const std::string &message) { return kiln::tool::Fail("kiln-tape", message); }

bool Read(const std::string &path, std::string *bytes, int *status) {
  if (kiln::tool::ReadWholeFile(path, bytes, kLargestTape)) return true;
  *status = Fail("can't read '" + path + "': " + std::strerror(errno));
  return false;
}

int List(const std::string &path) {
  std::string bytes;
  int status = 0;
  if (!Read(path, &bytes, &status)) return status;
  return kiln::tape::ListTape(bytes, stdout) ? 0 : kiln::tool::kFailure;
}

int Check(const std::string &path) {
  std::string bytes;
  int status = 0;
  if (!Read(path, &bytes, &status)) return status;
  return kiln::tape::CheckTape(path, bytes, stdout) ? 0 : kiln::tool::kFailure;
}

int Cut(const std::string &path, const std::string &count, const std::string &out) {
  char *end = nullptr;
  errno = 0;
  const long records = std::strtol(count.c_str(), &end, 10);
  if (count.empty() || *end || errno || records < 0) return Fail("the number of records must be 0 or more");
  std::string bytes, kept, error;
  int status = 0;
  if (!Read(path, &bytes, &status)) return status;
  if (!kiln::tape::CutTape(bytes, records, &kept, &error))
    return Fail("can't keep " + count + " records of '" + path + "': " + error);
  if (!kiln::tool::WriteWholeFile(out, kept)) return Fail("can't write '" + out + "': " + std::strerror(errno));
  return 0;
}

int Diff(const std::string &a, const std::string &b) {
  std::string bytesA, bytesB;
  int status = 0;
  if (!Read(a, &bytesA, &status) || !Read(b, &bytesB, &status)) return status;
  return kiln::tape::DiffTapes(a, bytesA, b, bytesB, stdout) ? 0 : kiln::tool::kFailure;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (kiln::tool::IsHelpRequest(command)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (command == "list" && argc == 3) return List(argv[2]);
  if (command == "check" && argc == 3) return Check(argv[2]);
  if (command == "cut" && argc == 5) return Cut(argv[2], argv[3], argv[4]);
  if (command == "diff" && argc == 4) return Diff(argv[2], argv[3]);
  return kiln::tool::Usage(kHelp);
}
