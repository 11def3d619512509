// Layered Photoshop documents (8 bits a channel, RGB): the layers are read
// and composited into a 32-bit bitmap; the merged image is not used.
#pragma once

#include <cstdint>
#include <memory>

class QBitMap;
class QFile;

namespace kiln::image {
class ByteReader;
}

struct QPSDLayer {
  static constexpr int kMaxChannels = 24;

  int top = 0, left = 0, bottom = 0, right = 0;
  int16_t channelCount = 0;
  struct Channel {
    int16_t id = 0;  // 0 red, 1 green, 2 blue, -1 transparency mask
    int32_t length = 0;
  } channels[kMaxChannels];
  char blendModeKey[5] = {};
  uint8_t opacity = 0, clipping = 0, flags = 0, filler = 0;  // flags bit 1: not composited
  int extraDataSize = 0;
  int maskRect[4] = {};
  uint8_t maskDefaultColor = 0, maskFlags = 0;
  char name[256] = {};
  // Per channel: (right - left) x (bottom - top) bytes, rows from the top.
  std::unique_ptr<uint8_t[]> data[kMaxChannels];

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class QPSD {
public:
  static constexpr int kMaxLayers = 50;

  // Reads the document; a file that can't be read leaves width and height 0.
  explicit QPSD(const char *fileName);
  ~QPSD();
  QPSD(const QPSD &) = delete;
  QPSD &operator=(const QPSD &) = delete;

  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  int GetLayerCount() const { return layerCount; }
  const QPSDLayer *GetLayer(int index) const;

  QBitMap *CreateBitMap() const;
  // Clears the bitmap and composites every visible layer, bottom first.
  void Render(QBitMap *bitmap) const;
  void RenderLayer(QBitMap *bitmap, int layer) const;

private:
  bool Read(QFile &file);
  bool ReadLayerRecord(QFile &file, int index);
  bool ReadChannelData(kiln::image::ByteReader &data, QPSDLayer &layer, int channel, bool packBits);

  char signature[5] = {};
  int16_t version = 0;
  int16_t channelCount = 0;
  int height = 0, width = 0;
  int16_t depth = 0;
  int16_t colorMode = 0;
  int layerCount = 0;
  std::unique_ptr<QPSDLayer> layers[kMaxLayers];
};
