// Powers of two, byte swapping, ASCII case and hex dumps.
#include <kiln/qutil.h>

#include <kiln/qdebug.h>

#include <cstdio>

int QNearestPowerOf2(int value, bool rounding) {
  if (rounding) qerr("QNearestPowerOf2(); rounding not yet implemented");
  if (value > (1 << 30)) return 0;
  int power = 1;
  while (power < value) power <<= 1;
  return power;
}

int QFloorPowerOf2(int value) {
  if (value < 1) return 0;
  int power = 1;
  while (power <= value / 2) power <<= 1;
  return power;
}

uint16_t QSwap16(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }

uint32_t QSwap32(uint32_t value) {
  return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

void QSwap16Array(uint16_t *words, int count) {
  for (int i = 0; i < count; ++i) words[i] = QSwap16(words[i]);
}

void QSwap32Array(uint32_t *words, int count) {
  for (int i = 0; i < count; ++i) words[i] = QSwap32(words[i]);
}

void QLowerCase(char *text) {
  for (; text && *text; ++text) {
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text + 32);
  }
}

void QUpperCase(char *text) {
  for (; text && *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 32);
  }
}

void QHexDump(const void *data, int length) {
  const unsigned char *bytes = static_cast<const unsigned char *>(data);
  qdbg("Hex %p:", data);
  // In pieces that fit the output's buffer; the text is the same.
  char piece[3 * 1024 + 1];
  for (int start = 0; start < length; start += 1024) {
    int used = 0;
    for (int i = start; i < length && i < start + 1024; ++i) {
      used += std::snprintf(piece + used, sizeof piece - used, " %02x", bytes[i]);
    }
    qdbg("%s", piece);
  }
  qdbg("\n");
}
