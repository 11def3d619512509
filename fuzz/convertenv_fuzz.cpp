// %NAME% expansion of arbitrary text.
#include <kiln/qstring.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static int ready = setenv("KILN_FUZZ_VALUE", "a fairly long value of an environment variable", 1);
  (void)ready;
  std::string text(reinterpret_cast<const char *>(data), size);
  qstring expanded(text.c_str());
  expanded.Convertenv();
  return 0;
}
