// Turning and scaling bitmaps.
#include <kiln/qbitmap.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>
#include <kiln/qrect.h>

#include <cstring>

bool QBitMap::Rotate(int angle, const QRect &source, QBitMap *destination, const int dxy[2]) {
  if (!destination || !Is32("Rotate") || !destination->Is32("Rotate")) return false;
  const int x = source.x, y = source.y, dx = dxy[0], dy = dxy[1];
  if (angle == 0) {
    destination->CopyRect(*this, x, y, source.width, source.height, dx, dy);
    return true;
  }
  if (source.width != source.height) {
    qwarn("QBitMap:Rotate(); can only do rectangular regions, not %dx%d", source.width, source.height);
    return false;
  }
  if (angle != 90 && angle != 180 && angle != 270) {
    qwarn("QBitMap:Rotate(); angle %d not supported", angle);
    return false;
  }
  const int n = source.width;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      int column, row;
      switch (angle) {
        case 90: column = dx + i; row = dy + n - 1 - j; break;
        case 180: column = dx + n - 1 - j; row = dy + n - 1 - i; break;
        default: column = dx + n - 1 - i; row = dy + j; break;
      }
      // Pixels outside either bitmap are left out.
      const uint8_t *from = GetAddress(x + j, y + i);
      uint8_t *to = destination->GetAddress(column, row);
      if (from && to) std::memcpy(to, from, 4);
    }
  }
  return true;
}

bool QBitMap::Scale(int newWidth, int newHeight) {
  if (!GetBuffer()) return false;
  if (!Is32("Scale")) return false;
  long long bytes = static_cast<long long>(newWidth) * newHeight * 4;
  auto *scaled = (newWidth > 0 && newHeight > 0 && bytes <= 0x7FFFFFFF)
                     ? static_cast<uint8_t *>(QCalloc(static_cast<std::size_t>(bytes)))
                     : nullptr;
  if (!scaled) {
    qwarn("QBitMap::Alloc() failed on %dx%d, depth %d", newWidth, newHeight, 32);
    return false;
  }
  const int oldWidth = GetWidth(), oldHeight = GetHeight();
  uint8_t *out = scaled;
  int rowAccumulator = 0, sourceRow = 0;
  for (int y = 0; y < newHeight; ++y) {
    int columnAccumulator = 0, sourceColumn = 0;
    const uint8_t *row = GetAddress(0, sourceRow < oldHeight ? sourceRow : oldHeight - 1);
    for (int x = 0; x < newWidth; ++x, out += 4) {
      std::memcpy(out, row + (sourceColumn < oldWidth ? sourceColumn : oldWidth - 1) * 4, 4);
      columnAccumulator += oldWidth;
      while (columnAccumulator > newWidth) {
        ++sourceColumn;
        columnAccumulator -= newWidth;
      }
    }
    rowAccumulator += oldHeight;
    while (rowAccumulator > newHeight) {
      ++sourceRow;
      rowAccumulator -= newHeight;
    }
  }
  const int keptFlags = flags & ~QBM_EXTERNAL;
  FreeMem();
  // The new memory is the bitmap's own.
  depth = 32;
  width = newWidth;
  height = newHeight;
  flags = keptFlags;
  memory = scaled;
  memorySize = static_cast<int>(bytes);
  return true;
}
