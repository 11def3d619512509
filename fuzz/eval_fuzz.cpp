// Eval() on arbitrary text: never outside its lists, never undefined.
#include <kiln/qeval.h>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  Eval(text.c_str());
  return 0;
}
