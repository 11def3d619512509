// Failed assertions and the source lines they point at.
#include <kiln/qassert.h>
#include <kiln/qdebug.h>

#include <cstdio>
#include <cstring>

#ifndef KILN_APP_SOURCE_DIR
#define KILN_APP_SOURCE_DIR "."
#endif
#ifndef KILN_3D_SOURCE_DIR
#define KILN_3D_SOURCE_DIR "."
#endif
#ifndef KILN_ZIP_SOURCE_DIR
#define KILN_ZIP_SOURCE_DIR "."
#endif

namespace {

// The file as given, or below one of the library's source directories (the
// hit there is announced with the directory's letter).
FILE *OpenSource(const char *file) {
  if (FILE *found = std::fopen(file, "r")) return found;
  static const struct {
    const char *directory;
    const char *mark;
  } kSourceDirs[] = {{KILN_APP_SOURCE_DIR, "Q "}, {KILN_3D_SOURCE_DIR, "D "}, {KILN_ZIP_SOURCE_DIR, "Z "}};
  for (const auto &source : kSourceDirs) {
    char path[1024];
    if (std::snprintf(path, sizeof path, "%s/%s", source.directory, file) >= static_cast<int>(sizeof path)) continue;
    if (FILE *found = std::fopen(path, "r")) {
      qdbg("%s", source.mark);
      return found;
    }
  }
  return nullptr;
}

}  // namespace

void qassert_fail(const char *file, int line) {
  qerr("Assertion failed in '%s', line %d", file, line);
  qshow_source_line(file, line);
}

void qshow_source_line(const char *file, int line) {
  if (!file || line < 1) return;
  FILE *source = OpenSource(file);
  if (!source) return;
  char text[128];
  for (int read = 0; read < line; ++read) {
    if (!std::fgets(text, sizeof text, source)) {
      std::fclose(source);
      return;
    }
  }
  qdbg("> %s", text);
  std::fclose(source);
}
