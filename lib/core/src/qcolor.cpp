#include <kiln/qcolor.h>

#include <kiln/qdebug.h>
#include <kiln/qeval.h>

#include <cstring>

void QColor::DbgPrint() const {
  qdbg("@%p %s (class %s), RGBA=0x%08x\n", static_cast<const void *>(this), GetName(), ClassName(), rgba);
}

void QColor::Set(int red, int green, int blue, int alpha) {
  rgba = (static_cast<uint32_t>(red & 0xFF) << 24) | (static_cast<uint32_t>(green & 0xFF) << 16) |
         (static_cast<uint32_t>(blue & 0xFF) << 8) | static_cast<uint32_t>(alpha & 0xFF);
}

void QColor::SetFromHex(const char *text) {
  int components[4] = {0, 0, 0, 255};
  std::size_t length = text ? strnlen(text, 8) : 0;
  for (std::size_t i = 0, component = 0; i < length; i += 2, ++component) {
    char pair[5] = {'0', 'x', text[i], i + 1 < length ? text[i + 1] : '\0', '\0'};
    components[component] = Eval(pair);
  }
  Set(components[0], components[1], components[2], components[3]);
}
