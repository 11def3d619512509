// Reads arbitrary bytes as a texture font's description into its glyph
// table and ranges, then looks up every code and sums the advances.
#include <kiln/dtexfontlayout.h>
#include <kiln/qinfo.h>

#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool quiet = kiln::fuzz::SilenceDiagnostics();
  (void)quiet;
  static kiln::fuzz::MemoryFile input;
  input.Fill(data, size);
  QInfo description(input.Path(), QINFO_QUIET);
  DTexFontLayout layout;
  layout.Read(description, "fuzz", {256, 128}, {64, 64});
  long sum = 0;
  for (int code = -1; code <= 256; ++code) {
    if (const DTexFontGlyph *glyph = layout.Find(code)) sum += static_cast<long>(glyph->advance) + glyph->code;
    if (const DTexFontGlyph *outline = layout.FindOutline(code)) sum += outline->x;
  }
  if (const DTexFontGlyph *first = layout.GetGlyph(0)) sum += first->height;
  return sum == 42 ? 0 : 0;
}
