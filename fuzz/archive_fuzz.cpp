// Opens arbitrary bytes as an archive and reads its first entries every way.
#include <kiln/qarchive.h>
#include <kiln/qfile.h>
#include <kiln/qstring.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QArchive archive(input.Path(), AR_READ);
  if (!archive.IsOpen()) return 0;
  std::vector<std::string> names;
  qstring name;
  int offset = 0, entrySize = 0;
  // A few entries, each read every way: more would only repeat the paths.
  while (names.size() < 16 && archive.GetNextEntry(name, &offset, &entrySize)) names.push_back(name.CStr());
  for (const std::string &entry : names) {
    archive.StreamEntry(entry.c_str(), [](const uint8_t *, int) { return true; });
    std::unique_ptr<QFile> file(archive.OpenFile(entry.c_str()));
    if (archive.FindFile(entry.c_str(), true)) archive.GetEntrySize();
  }
  return 0;
}
