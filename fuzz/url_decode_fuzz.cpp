// URL decoding of arbitrary text, as a free function and on a qstring.
#include <kiln/qstring.h>
#include <kiln/qtext.h>

#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  // Decoding never lengthens the text.
  std::vector<char> out(text.size() + 1);
  QURLDecode(text.c_str(), out.data());
  qstring decoded(text.c_str());
  decoded.URLDecode();
  qstring encoded(text.c_str());
  encoded.URLEncode();
  encoded.URLDecode();
  return 0;
}
