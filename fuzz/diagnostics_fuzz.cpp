// Reads arbitrary files as sources and logs, and passes arbitrary text
// through every output: nothing may be read or written out of bounds, and
// no text may be taken as a format.
#include <kiln/qassert.h>
#include <kiln/qdebug.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

void Discard(const char *) {}

bool Setup() {
  qdbg_set_callback(Discard);
  qwarn_set_callback(Discard);
  qerr_set_callback(Discard);
  qout_set_callback(Discard);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = Setup();
  (void)ready;
  if (size < 2) return 0;
  int line = data[0] | (data[1] << 8);
  std::string text(reinterpret_cast<const char *>(data + 2), size - 2);

  if (FILE *file = std::fopen("QLOG.txt", "wb")) {
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  qshow_source_line("QLOG.txt", line);
  if (FILE *tail = qlog_open_tail()) {
    while (std::fgetc(tail) != EOF) {
    }
    std::fclose(tail);
  }

  qdbg("%s", text.c_str());
  qwarn("%s", text.c_str());
  qerr("%s", text.c_str());
  qout("%s", text.c_str());
  return 0;
}
