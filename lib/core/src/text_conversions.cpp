// Latin-1 tables, URL decoding and small string conversions.
#include <kiln/qtext.h>

#include <kiln/qdebug.h>

#include <cctype>
#include <cstring>

int QURLDecode(const char *source, char *destination) {
  while (*source) {
    if (*source == '+') {
      *destination++ = ' ';
      ++source;
    } else if (*source == '%' && source[1] && source[2]) {
      *destination++ = static_cast<char>(QHexDigit(source[1]) * 16 + QHexDigit(source[2]));
      source += 3;
    } else {
      *destination++ = *source++;
    }
  }
  *destination = '\0';
  return 0;
}

int QHexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

const unsigned char *QC2Pascal(const char *text) {
  static unsigned char buffer[256];
  std::size_t length = std::strlen(text);
  if (length >= 256) {
    qwarn("QC2Pascal(%s): string is too large", text);
    length = 255;
  }
  buffer[0] = static_cast<unsigned char>(length);
  std::memcpy(buffer + 1, text, length);
  return buffer;
}

const char *QFileExtension(const char *path) {
  std::size_t length = std::strlen(path);
  if (length < 2) return nullptr;
  for (std::size_t i = length - 1; i-- > 0;) {
    if (path[i] == '.') return path + i + 1;
  }
  return nullptr;
}

int QStripCRLF(char *text) {
  std::size_t length = std::strlen(text);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) text[--length] = '\0';
  return static_cast<int>(length);
}

int QStripAccent(int c) {
  if (c == 162 || c == 231) return 'c';
  if (c >= 192 && c <= 197) return 'A';
  if (c == 199) return 'C';
  if (c >= 200 && c <= 203) return 'E';
  if (c >= 204 && c <= 207) return 'I';
  if (c == 208) return 'D';
  if (c == 209) return 'N';
  if ((c >= 210 && c <= 214) || c == 216) return 'O';
  if (c >= 217 && c <= 220) return 'U';
  if (c == 221) return 'Y';
  if (c >= 224 && c <= 229) return 'a';
  if (c >= 232 && c <= 235) return 'e';
  if (c >= 236 && c <= 239) return 'i';
  if (c == 240 || (c >= 242 && c <= 246) || c == 248) return 'o';
  if (c == 241) return 'n';
  if (c >= 249 && c <= 252) return 'u';
  if (c == 253 || c == 255) return 'y';
  return c;
}

int QToUpperLatin1(int c) {
  if (c >= 224 && c <= 229) return c - 32;
  if (c == 231) return 199;
  if (c >= 232 && c <= 239) return c - 32;
  if (c == 240) return '?';
  if (c == 241) return 209;
  if (c >= 242 && c <= 246) return c - 32;
  if (c == 248) return 216;
  if (c >= 249 && c <= 253) return c - 32;
  return (c >= 0 && c <= 255) ? std::toupper(c) : c;
}

int QToLowerLatin1(int c) {
  if (c == 192) return 224;
  return (c >= 0 && c <= 255) ? std::tolower(c) : c;
}

void QStrUpperLatin1(char *text) {
  for (; *text; ++text) *text = static_cast<char>(QToUpperLatin1(static_cast<unsigned char>(*text)));
}
