#include <kiln/qimage.h>

#include <kiln/qdebug.h>
#include <kiln/qtext.h>
#include <kiln/qutil.h>

#include <cstring>

QImage::QImage(const char *fileName, int depth, int width, int height, int flags)
    : QBitMap(depth, width, height, flags) {
  SetName(fileName);
  if (!Read(fileName)) {
    qwarn("QImage ctor: can't load '%s'", fileName ? fileName : "(null)");
    failed = 1;
  }
}

void QImage::DbgPrint() const {
  qdbg("@%p: Object %s (class %s) fileName='%s'\n", static_cast<const void *>(this), GetName(), ClassName(),
       GetName());
}

bool QImage::Read(const char *fileName) {
  if (!fileName) return false;
  const char *expanded = QExpandFilename(fileName);
  qdbg("QImage::Read(\"%s\")\n", expanded);
  char upper[257];
  std::strncpy(upper, expanded, 256);
  upper[256] = '\0';
  QStrUpperLatin1(upper);
  if (std::strstr(upper, ".RGB")) return ReadRGB(expanded);
  if (std::strstr(upper, ".TGA")) return ReadTGA(expanded);
  if (std::strstr(upper, ".JPG") || std::strstr(upper, ".JPE")) return ReadJPG(expanded);
  if (std::strstr(upper, ".PSD")) return ReadPSD(expanded);
  if (std::strstr(upper, ".MIP")) return ReadMIP(expanded);
  if (std::strstr(upper, ".PNG")) return true;
  if (std::strstr(upper, ".BMP")) return ReadBMP(expanded);
  qwarn("QImage:Read(): image '%s' has unknown file format", expanded);
  return false;
}
