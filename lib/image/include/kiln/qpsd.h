/// \file
/// Layered Photoshop documents (8 bits a channel, RGB): the layers are read
/// and composited into a 32-bit bitmap; the merged image is not used.
#pragma once

#include <cstdint>
#include <memory>

class QBitMap;
class QFile;

namespace kiln::image {
class ByteReader;
}

/// One layer of a document, as its record and channel data give it.
struct QPSDLayer {
  static constexpr int kMaxChannels = 24;  ///< the most channels a layer has

  ///@{
  /// The layer's edges in the document, in pixels.
  int top = 0, left = 0, bottom = 0, right = 0;
  ///@}
  int16_t channelCount = 0;  ///< channels in use
  /// A channel's record.
  struct Channel {
    int16_t id = 0;      ///< 0 red, 1 green, 2 blue, -1 transparency mask
    int32_t length = 0;  ///< bytes of its data in the file
  } channels[kMaxChannels];  ///< the channels' records
  char blendModeKey[5] = {};  ///< four characters, as "norm"
  ///@{
  /// Opacity (0-255), clipping, flags (bit 1: not composited) and a spare
  /// byte.
  uint8_t opacity = 0, clipping = 0, flags = 0, filler = 0;
  ///@}
  int extraDataSize = 0;  ///< bytes of the record's extra data
  int maskRect[4] = {};   ///< the mask's top, left, bottom and right
  ///@{
  /// The mask's default colour and flags.
  uint8_t maskDefaultColor = 0, maskFlags = 0;
  ///@}
  char name[256] = {};  ///< the layer's name
  /// Per channel: (right - left) x (bottom - top) bytes, rows from the top.
  std::unique_ptr<uint8_t[]> data[kMaxChannels];

  ///@{
  /// The layer's size in pixels.
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  ///@}
};

/// A layered Photoshop document read from a file.
class QPSD {
public:
  static constexpr int kMaxLayers = 50;  ///< layers beyond are left out

  /// Reads the document; a file that can't be read leaves width and height 0.
  explicit QPSD(const char *fileName);
  ~QPSD();
  QPSD(const QPSD &) = delete;
  QPSD &operator=(const QPSD &) = delete;

  ///@{
  /// The document's size; 0 when it couldn't be read.
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  ///@}
  /// The number of layers read.
  int GetLayerCount() const { return layerCount; }
  /// A layer, or null out of range.
  const QPSDLayer *GetLayer(int index) const;

  /// A new zero-filled 32-bit bitmap of the document's size (the caller
  /// owns it); null for a document without size.
  QBitMap *CreateBitMap() const;
  /// Clears the bitmap and composites every visible layer, bottom first.
  void Render(QBitMap *bitmap) const;
  /// Composites one layer onto the bitmap.
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
