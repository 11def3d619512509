// Opens arbitrary bytes as an archive and reads every entry.
#include <kiln/qarchive.h>
#include <kiln/qfile.h>
#include <kiln/qmemory.h>
#include <kiln/qstring.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (FILE *file = std::fopen("fuzz.ar", "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  QArchive archive("fuzz.ar", AR_READ);
  if (!archive.IsOpen()) return 0;
  std::vector<std::string> names;
  qstring name;
  int offset = 0, entrySize = 0;
  while (names.size() < 64 && archive.GetNextEntry(name, &offset, &entrySize)) names.push_back(name.CStr());
  for (const std::string &entry : names) {
    void *block = nullptr;
    int length = 0;
    if (archive.ReadEntry(entry.c_str(), &block, &length)) QFree(block);
    std::unique_ptr<QFile> file(archive.OpenFile(entry.c_str()));
    if (archive.FindFile(entry.c_str(), true)) archive.GetEntrySize();
  }
  return 0;
}
