// QSplit on arbitrary text, as words (the first byte picks the separators)
// and as a URL query.
#include <kiln/qsplit.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  if (size < 1) return 0;
  std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  int type = data[0] % 6;
  QSplit words(text.c_str(), type);
  for (int i = -1; i <= words.GetCount(); ++i) {
    words.GetInt(i);
    words.GetName(i);
  }
  QSplit query(text.c_str(), 1);
  for (int i = 0; i < query.GetCount(); ++i) query.GetValue(query.GetName(i));
  QSplit custom(text.c_str(), text.substr(0, 2).c_str());
  return 0;
}
