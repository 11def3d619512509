// Reads arbitrary bytes as a keyed string table and as a table of lines.
#include <kiln/qlanguage.h>

#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (FILE *file = std::fopen("fuzz.lng", "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  QLanguage keyed("fuzz.lng", 2);
  for (int i = -1; i <= keyed.GetCount(); ++i) keyed.GetString(i);
  keyed.GetString("menu.quit");
  QLanguage lines("fuzz.lng", 1);
  lines.GetString(lines.GetCount() - 1);
  return 0;
}
