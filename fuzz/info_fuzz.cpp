// Reads arbitrary bytes as a configuration file, then looks up, iterates
// and writes the tree.
#include <kiln/qinfo.h>
#include <kiln/qstring.h>

#include <cstdint>
#include <cstdio>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  static FILE *sink = std::fopen("/dev/null", "w");
  (void)quiet;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QInfo info(input.Path(), QINFO_QUIET);
  QInfoIterator iterator(&info, nullptr);
  qstring name;
  char value[1024];
  for (int i = 0; i < 200 && iterator.GetNext(name, true); ++i) {
    info.GetString(name.CStr(), value, "x");
    info.GetInt(name.CStr(), 0);
    info.GetChildCount(name.CStr());
  }
  int numbers[4];
  info.GetInt4("a.b", numbers);
  info.WriteTo(sink);
  return 0;
}
