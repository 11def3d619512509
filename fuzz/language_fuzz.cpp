// Reads arbitrary bytes as a keyed string table and as a table of lines.
#include <kiln/qlanguage.h>

#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QLanguage keyed(input.Path(), 2);
  for (int i = -1; i <= keyed.GetCount(); ++i) keyed.GetString(i);
  keyed.GetString("menu.quit");
  QLanguage lines(input.Path(), 1);
  lines.GetString(lines.GetCount() - 1);
  return 0;
}
