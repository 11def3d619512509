// One image reader on arbitrary bytes, written to a file whose name picks
// the reader (KILN_FUZZ_EXTENSION); then the pixels are walked.
#include <kiln/qimage.h>

#include <cstdint>
#include <cstdio>

#ifndef KILN_FUZZ_EXTENSION
#error "KILN_FUZZ_EXTENSION names the reader"
#endif

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  const char *name = "fuzz" KILN_FUZZ_EXTENSION;
  if (FILE *file = std::fopen(name, "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  QImage image(name);
  if (image.IsRead() && image.GetBuffer()) {
    unsigned sum = 0;
    for (int i = 0; i < image.GetBufferSize(); i += 97) sum += image.GetBuffer()[i];
    image.HasTransparency();
    (void)sum;
  }
  return 0;
}
