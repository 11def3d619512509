#include <kiln/qimage.h>

#include <kiln/qdebug.h>
#include <kiln/qpsd.h>

bool QImage::ReadPSD(const char *fileName) {
  QPSD document(fileName);
  if (document.GetWidth() == 0 || document.GetHeight() == 0) {
    qwarn("QImage: can't read PSD '%s'\n", fileName);
    return false;
  }
  if (!Alloc(32, document.GetWidth(), document.GetHeight(), 0)) return false;
  document.Render(this);
  return true;
}
