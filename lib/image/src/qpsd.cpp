#include <kiln/qpsd.h>

#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "byte_reader.h"

namespace {

// Photoshop's own limit for the sides of a document and of a layer.
constexpr int kMaxSide = 30000;

bool Read8(QFile &file, uint8_t *value) { return file.Read(value, 1) == 1; }
bool Read16(QFile &file, int16_t *value) { return file.ReadBE16(value) == 2; }
bool Read32(QFile &file, int32_t *value) { return file.ReadBE32(value) == 4; }
bool Skip(QFile &file, long count) {
  return count >= 0 && count <= file.Size() - file.Tell() && file.Seek(count, QFile::S_CUR);
}

}  // namespace

QPSD::QPSD(const char *fileName) {
  if (!fileName) return;
  // Preloaded: the channel data are decoded straight from memory.
  QFile file(fileName, QFile::READ | QFile::MEMORY);
  if (!file.IsOpen()) return;
  if (!Read(file)) {
    // A document that could not be read whole is no document.
    width = height = 0;
  }
}

QPSD::~QPSD() = default;

const QPSDLayer *QPSD::GetLayer(int index) const {
  return index >= 0 && index < layerCount ? layers[index].get() : nullptr;
}

bool QPSD::Read(QFile &file) {
  int32_t h = 0, w = 0;
  if (file.Read(signature, 4) != 4 || !Read16(file, &version) || !Skip(file, 6) || !Read16(file, &channelCount) ||
      !Read32(file, &h) || !Read32(file, &w) || !Read16(file, &depth) || !Read16(file, &colorMode)) {
    qwarn("Not a PSD file");
    return false;
  }
  height = h;
  width = w;
  qdbg("hdr: size=%dx%d\n", width, height);
  qdbg("sig: %s, version %d\n", signature, version);
  qdbg("Mode=%d, channels=%d, depth %d\n", colorMode, channelCount, depth);
  if (std::memcmp(signature, "8BPS", 4) != 0) {
    qwarn("Not a PSD file");
    return false;
  }
  if (version != 1) {
    qwarn("PSD version not 1");
    return false;
  }
  if (depth != 8) {
    qwarn("PSD has no 8-bit/channel (depth)");
    return false;
  }
  if (colorMode != 3) {
    qwarn("PSD not RGB");
    return false;
  }
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
    qwarn("PSD size %dx%d is not supported", width, height);
    return false;
  }
  int32_t length;
  for (int section = 0; section < 2; ++section) {
    if (!Read32(file, &length) || !Skip(file, static_cast<uint32_t>(length))) return false;
  }
  int32_t layerInfoLength;
  int16_t count;
  if (!Read32(file, &length) || !Read32(file, &layerInfoLength) || !Read16(file, &count)) return false;
  qdbg("Layers=%d\n", count);
  layerCount = std::abs(count);
  if (layerCount > kMaxLayers) {
    qwarn("PSD has %d layers (max %d)", layerCount, kMaxLayers);
    layerCount = 0;
    return false;
  }
  for (int i = 0; i < layerCount; ++i) {
    if (!ReadLayerRecord(file, i)) {
      layerCount = i;
      return false;
    }
  }
  if (layerCount > 0) qdbg("Bytecount array: %d high\n", layers[0]->Height());
  qdbg("  Image data file loc: 0x%lx\n", file.Tell());
  std::vector<uint8_t> rest;
  if (!file.IsMemoryFile()) {
    for (int c; (c = file.ReadByte()) != -1;) rest.push_back(static_cast<uint8_t>(c));
  }
  kiln::image::ByteReader data = file.IsMemoryFile()
                                     ? kiln::image::ByteReader(file.GetMemoryLeft(), static_cast<std::size_t>(file.GetMemoryLeftSize()))
                                     : kiln::image::ByteReader(rest);
  for (int i = 0; i < layerCount; ++i) {
    for (int c = 0; c < layers[i]->channelCount; ++c) {
      const std::size_t channelStart = data.Position();
      uint32_t compression;
      if (!data.BE16(&compression)) return false;
      qdbg("Layer %d, channel %d: compression %d\n", i, c, static_cast<int>(compression));
      if (compression != 0 && compression != 1) {
        qwarn("PSD channel compression %d is not supported", static_cast<int>(compression));
        return false;
      }
      if (layers[i]->Width() > 0 && layers[i]->Height() > 0 && !ReadChannelData(data, *layers[i], c, compression == 1)) {
        return false;
      }
      // The next channel starts where the layer record says: encoders may
      // pad their PackBits rows beyond the bytes a row needs.
      const int32_t length = layers[i]->channels[c].length;
      if (length >= 2 && !data.Seek(channelStart + static_cast<std::size_t>(length))) {
        qwarn("PSD layer data are cut short");
        return false;
      }
    }
  }
  uint32_t maskLength;
  return data.BE32(&maskLength);
}

bool QPSD::ReadLayerRecord(QFile &file, int index) {
  layers[index] = std::make_unique<QPSDLayer>();
  QPSDLayer &layer = *layers[index];
  int32_t top, left, bottom, right;
  if (!Read32(file, &top) || !Read32(file, &left) || !Read32(file, &bottom) || !Read32(file, &right) ||
      !Read16(file, &layer.channelCount)) {
    return false;
  }
  layer.top = top;
  layer.left = left;
  layer.bottom = bottom;
  layer.right = right;
  qdbg("layer %d: top %d, left %d, bottom %d, right %d, %d chns\n", index, top, left, bottom, right,
       layer.channelCount);
  // Sides are computed wide: the corners may be anything.
  long long w = static_cast<long long>(right) - left, h = static_cast<long long>(bottom) - top;
  if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide) {
    qwarn("PSD layer %d has a bad rectangle", index);
    return false;
  }
  if (layer.channelCount < 0 || layer.channelCount > QPSDLayer::kMaxChannels) {
    qwarn("PSD layer %d has %d channels (max %d)", index, layer.channelCount, QPSDLayer::kMaxChannels);
    layer.channelCount = 0;
    return false;
  }
  for (int c = 0; c < layer.channelCount; ++c) {
    if (!Read16(file, &layer.channels[c].id) || !Read32(file, &layer.channels[c].length)) return false;
    qdbg("  channel %d: id %d, length %d\n", c, layer.channels[c].id, layer.channels[c].length);
  }
  int32_t extraSize, maskSize, blendingSize;
  if (!Skip(file, 4) || file.Read(layer.blendModeKey, 4) != 4 || !Read8(file, &layer.opacity) ||
      !Read8(file, &layer.clipping) || !Read8(file, &layer.flags) || !Read8(file, &layer.filler)) {
    return false;
  }
  qdbg("  blend mode key: %s\n", layer.blendModeKey);
  qdbg("%s", (layer.flags & 2) ? "  layer visible\n" : "  layer invisible\n");
  if (!Read32(file, &extraSize)) return false;
  layer.extraDataSize = extraSize;
  qdbg("Extra data size: %d\n", extraSize);
  const long extraStart = file.Tell();
  if (!Read32(file, &maskSize)) return false;
  qdbg("Layer mask size: %d\n", maskSize);
  if (maskSize == 20) {
    for (int &value : layer.maskRect) {
      int32_t v;
      if (!Read32(file, &v)) return false;
      value = v;
    }
    if (!Read8(file, &layer.maskDefaultColor) || !Read8(file, &layer.maskFlags) || !Skip(file, 2)) return false;
  } else if (maskSize != 0) {
    qwarn("Unsupported layer mask size (%d)", maskSize);
    return false;
  }
  if (!Read32(file, &blendingSize)) return false;
  qdbg("Layer blending range size: %d\n", blendingSize);
  uint8_t nameLength;
  if (!Skip(file, static_cast<uint32_t>(blendingSize)) || !Read8(file, &nameLength)) return false;
  qdbg("  Layer name len: %d\n", nameLength);
  if (file.Read(layer.name, nameLength) != nameLength) return false;
  layer.name[nameLength] = '\0';
  qdbg("  Layer name    : %s\n", layer.name);
  return extraSize >= 0 && extraStart + extraSize <= file.Size() && file.Seek(extraStart + extraSize, QFile::S_SET);
}

bool QPSD::ReadChannelData(kiln::image::ByteReader &data, QPSDLayer &layer, int channel, bool packBits) {
  const std::size_t w = static_cast<std::size_t>(layer.Width()), h = static_cast<std::size_t>(layer.Height());
  // The data must be there before memory is given to them: raw rows are
  // whole, PackBits rows take a count and two bytes per 128 pixels.
  std::size_t least = packBits ? h * (2 + 2 * ((w + 127) / 128)) : w * h;
  if (data.Left() < least) {
    qwarn("PSD layer data are cut short");
    return false;
  }
  qdbg("  imageData size: %zu\n", w * h);
  // Every byte is written below before the channel is used.
  layer.data[channel].reset(new uint8_t[w * h]);
  uint8_t *out = layer.data[channel].get();
  if (!packBits) return data.Bytes(out, w * h);
  if (!data.Skip(2 * h)) return false;
  for (std::size_t row = 0; row < h; ++row) {
    uint8_t *p = out + row * w;
    for (std::size_t x = 0; x < w;) {
      uint32_t code;
      if (!data.U8(&code)) return false;
      const int n = static_cast<int8_t>(code);
      if (n == -128) continue;
      const std::size_t count = static_cast<std::size_t>(n >= 0 ? n + 1 : 1 - n);
      if (x + count > w) {
        qwarn("PSD PackBits run beyond the end of a row");
        return false;
      }
      if (n >= 0) {
        if (!data.Bytes(p + x, count)) return false;
      } else {
        uint32_t value;
        if (!data.U8(&value)) return false;
        std::memset(p + x, static_cast<int>(value), count);
      }
      x += count;
    }
  }
  return true;
}

QBitMap *QPSD::CreateBitMap() const { return new QBitMap(32, width, height, 0); }

void QPSD::Render(QBitMap *bitmap) const {
  if (!bitmap || !bitmap->GetBuffer()) return;
  std::memset(bitmap->GetBuffer(), 0, static_cast<std::size_t>(bitmap->GetBufferSize()));
  for (int i = 0; i < layerCount; ++i) {
    if (!(layers[i]->flags & 2)) RenderLayer(bitmap, i);
  }
}

void QPSD::RenderLayer(QBitMap *bitmap, int index) const {
  qdbg("QPSD:Render() layer %d\n", index);
  const QPSDLayer *layer = GetLayer(index);
  if (!bitmap || bitmap->GetDepth() != 32 || !bitmap->GetBuffer() || !layer) return;
  const int w = layer->Width(), h = layer->Height();
  // Only the columns inside the document.
  const int firstColumn = std::max(0, -layer->left);
  const int endColumn = std::min(w, bitmap->GetWidth() - layer->left);
  if (firstColumn >= endColumn) return;
  const int count = endColumn - firstColumn;

  // Pixel by pixel, the channels in file order, one blend factor runs on:
  // a transparency channel sets it, and a colour channel uses the value the
  // last transparency channel before it left. That is the latest such
  // channel of the same pixel, or else the last of the previous pixel (the
  // factor carried over from the row before for the first pixel, 255 at the
  // start). Applied channel by channel along a row, with the same result.
  int lastAlpha = -1;
  int alphaBefore[QPSDLayer::kMaxChannels];
  for (int c = 0; c < layer->channelCount; ++c) {
    alphaBefore[c] = lastAlpha;
    if (layer->data[c] && layer->channels[c].id == -1) lastAlpha = c;
  }
  std::vector<uint8_t> previous(static_cast<std::size_t>(count) + 1);
  int carry = 255;
  for (int j = 0; j < h; ++j) {
    const int y = layer->top + j;
    if (y < 0 || y >= bitmap->GetHeight()) continue;
    uint8_t *row = bitmap->GetAddress(layer->left + firstColumn, bitmap->GetHeight() - 1 - y);
    auto source = [&](int c) { return layer->data[c].get() + static_cast<std::size_t>(j) * w + firstColumn; };
    // The factor each pixel starts with: the previous pixel's last one.
    previous[0] = static_cast<uint8_t>(carry);
    if (lastAlpha >= 0) std::memcpy(previous.data() + 1, source(lastAlpha), static_cast<std::size_t>(count - 1));
    else std::memset(previous.data() + 1, carry, static_cast<std::size_t>(count - 1));
    for (int c = 0; c < layer->channelCount; ++c) {
      if (!layer->data[c]) continue;
      const uint8_t *s = source(c);
      const int id = layer->channels[c].id;
      if (id == -1) {
        uint8_t *p = row + 3;
        for (int k = 0; k < count; ++k) p[k * 4] = static_cast<uint8_t>((s[k] * s[k] + p[k * 4] * (255 - s[k])) >> 8);
      } else if (id >= 0 && id <= 2) {
        const uint8_t *factor = alphaBefore[c] >= 0 ? source(alphaBefore[c]) : previous.data();
        uint8_t *p = row + id;
        for (int k = 0; k < count; ++k) {
          const int a = factor[k];
          p[k * 4] = static_cast<uint8_t>((s[k] * a + p[k * 4] * (255 - a)) >> 8);
        }
      }
    }
    if (lastAlpha >= 0) carry = source(lastAlpha)[count - 1];
  }
}
