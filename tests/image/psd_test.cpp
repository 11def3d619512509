// Layered documents: files of ImageMagick, and documents built here for the
// edge cases.
#include <gtest/gtest.h>

#include <kiln/qimage.h>
#include <kiln/qpsd.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::TempDir;

namespace {

std::string BE16(int v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string BE32(int v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

struct Layer {
  int top, left, bottom, right;
  std::vector<std::pair<int, std::string>> channels;  // id and raw rows
  int flags = 0;
  bool packBits = false;
};

// A document by the published layout, every channel raw or PackBits.
std::string Document(int width, int height, const std::vector<Layer> &layers) {
  std::string file = "8BPS" + BE16(1) + std::string(6, '\0') + BE16(3) + BE32(height) + BE32(width) + BE16(8) + BE16(3);
  file += BE32(0) + BE32(0);  // colour mode data, image resources
  std::string records, data;
  for (const Layer &layer : layers) {
    const int w = layer.right - layer.left, h = layer.bottom - layer.top;
    std::vector<std::string> encoded;
    for (const auto &channel : layer.channels) {
      std::string bytes = BE16(layer.packBits ? 1 : 0);
      if (!layer.packBits) {
        bytes += channel.second;
      } else {
        std::string counts, rows;
        for (int y = 0; y < h; ++y) {
          // Each row as one literal run (w <= 128 here).
          std::string row = std::string(1, static_cast<char>(w - 1)) + channel.second.substr(static_cast<std::size_t>(y * w), w);
          counts += BE16(static_cast<int>(row.size()));
          rows += row;
        }
        bytes += counts + rows;
      }
      encoded.push_back(bytes);
      data += bytes;
    }
    records += BE32(layer.top) + BE32(layer.left) + BE32(layer.bottom) + BE32(layer.right) +
               BE16(static_cast<int>(layer.channels.size()));
    for (std::size_t c = 0; c < layer.channels.size(); ++c) {
      records += BE16(layer.channels[c].first) + BE32(static_cast<int>(encoded[c].size()));
    }
    records += "8BIMnorm";
    records += std::string{static_cast<char>(255), 0, static_cast<char>(layer.flags), 0};
    std::string extra = BE32(0) + BE32(0) + std::string(1, 4) + "name" + std::string(3, '\0');
    records += BE32(static_cast<int>(extra.size())) + extra;
  }
  std::string layerInfo = BE16(static_cast<int>(layers.size())) + records + data;
  file += BE32(static_cast<int>(layerInfo.size()) + 8) + BE32(static_cast<int>(layerInfo.size())) + layerInfo + BE32(0);
  return file;
}

class PsdFiles : public ::testing::Test {
protected:
  std::unique_ptr<QImage> Load(const std::string &name, const std::string &bytes) {
    dir.WriteFile(name, bytes);
    capture.Take();
    return std::make_unique<QImage>(dir.Path(name).c_str());
  }
  static std::vector<int> Pixel(const QBitMap &image, int x, int y) {
    const uint8_t *p = image.GetAddress(x, image.GetHeight() - 1 - y);
    return {p[0], p[1], p[2], p[3]};
  }

  TempDir dir;
  MessageCapture capture;
};

TEST_F(PsdFiles, LayersAreCompositedInFileOrder) {
  Layer bottom{0, 0, 2, 3, {{-1, std::string(6, '\xff')}, {0, std::string(6, 100)}, {1, std::string(6, 0)}, {2, std::string(6, 0)}}};
  // Half transparent, partly outside the document (left -1).
  Layer top{1, -1, 2, 2, {{-1, std::string(3, '\x80')}, {0, std::string(3, 0)}, {1, std::string(3, '\xc8')}, {2, std::string(3, 0)}}};
  top.packBits = true;
  auto image = Load("doc.psd", Document(3, 2, {bottom, top}));
  ASSERT_TRUE(image->IsRead());
  // Opaque: colours and alpha are (s * 255) >> 8.
  EXPECT_EQ(Pixel(*image, 2, 0), (std::vector<int>{99, 0, 0, 254}));
  // Under the half-transparent layer: (s * 128 + old * 127) >> 8.
  EXPECT_EQ(Pixel(*image, 0, 1), (std::vector<int>{(0 * 128 + 99 * 127) >> 8, (200 * 128) >> 8, 0,
                                                   (128 * 128 + 254 * 127) >> 8}));
  EXPECT_EQ(Pixel(*image, 2, 1), (std::vector<int>{99, 0, 0, 254}));  // beyond the top layer's right edge
}

TEST_F(PsdFiles, HiddenLayersEmptyDocumentsAndPackBits) {
  Layer hidden{0, 0, 1, 1, {{0, std::string(1, 50)}}, 2};
  auto image = Load("hidden.psd", Document(1, 1, {hidden}));
  ASSERT_TRUE(image->IsRead());
  EXPECT_EQ(Pixel(*image, 0, 0), (std::vector<int>{0, 0, 0, 0}));
  auto empty = Load("empty.psd", Document(4, 2, {}));
  ASSERT_TRUE(empty->IsRead());
  EXPECT_EQ(empty->GetWidth(), 4);
  EXPECT_TRUE(empty->HasTransparency());  // fully transparent black
  // A PackBits row of 0xFE, 7: three bytes of 7.
  Layer packed3{0, 0, 1, 3, {{0, std::string(3, 1)}}};
  packed3.packBits = true;
  std::string doc = Document(3, 1, {packed3});
  std::size_t rowAt = doc.find(std::string("\x02\x01\x01\x01", 4));
  ASSERT_NE(rowAt, std::string::npos);
  // The row shrinks by two bytes: so does the channel's recorded length.
  std::string packed = doc.substr(0, rowAt - 4) + BE16(1) + BE16(2) + std::string("\xfe\x07", 2) + doc.substr(rowAt + 4);
  std::size_t lengthAt = packed.find(BE16(0) + BE32(8));
  ASSERT_NE(lengthAt, std::string::npos);
  packed.replace(lengthAt + 2, 4, BE32(6));
  auto runs = Load("runs.psd", packed);
  ASSERT_TRUE(runs->IsRead());
  EXPECT_EQ(Pixel(*runs, 2, 0)[0], (7 * 255) >> 8);
}

TEST_F(PsdFiles, DamagedDocumentsFailCleanly) {
  Layer layer{0, 0, 2, 2, {{0, std::string(4, 9)}}};
  layer.packBits = true;
  std::string good = Document(2, 2, {layer});
  for (std::size_t cut = 0; cut < good.size(); cut += 3) Load("cut.psd", good.substr(0, cut));
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x5A);
    Load("flip.psd", flipped);
  }
  std::string notPsd = good;
  notPsd[0] = 'X';
  EXPECT_FALSE(Load("not.psd", notPsd)->IsRead());
  EXPECT_NE(capture.Take().find("Not a PSD file"), std::string::npos);
  // A run past the end of its row.
  std::size_t rowAt = good.find(std::string("\x01\x09\x09", 3));
  ASSERT_NE(rowAt, std::string::npos);
  std::string overrun = good;
  overrun[rowAt] = static_cast<char>(0xF0);  // 17 bytes into a row of 2
  EXPECT_FALSE(Load("overrun.psd", overrun)->IsRead());
  std::vector<Layer> many(51, Layer{0, 0, 1, 1, {{0, std::string(1, 1)}}});
  EXPECT_FALSE(Load("many.psd", Document(1, 1, many))->IsRead());
  Layer wide{0, 0, 1, 1, {}};
  for (int c = 0; c < 25; ++c) wide.channels.push_back({0, std::string(1, 1)});
  EXPECT_FALSE(Load("channels.psd", Document(1, 1, {wide}))->IsRead());
  Layer inverted{5, 5, 0, 0, {{0, ""}}};
  EXPECT_FALSE(Load("inverted.psd", Document(1, 1, {inverted}))->IsRead());
  capture.Take();
}

TEST_F(PsdFiles, ImageMagickLayeredDocument) {
  if (access("/usr/bin/convert", X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed";
  std::string command = "cd '" + dir.path() +
                        "' && /usr/bin/convert -size 20x10 xc:red \\( -size 20x10 xc:red \\) "
                        "\\( -size 6x4 xc:blue -set page +5+3 \\) -alpha set -depth 8 layers.psd 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  capture.Take();
  QImage image(dir.Path("layers.psd").c_str());
  ASSERT_TRUE(image.IsRead()) << capture.Take();
  EXPECT_EQ(image.GetWidth(), 20);
  EXPECT_EQ(Pixel(image, 0, 0), (std::vector<int>{254, 0, 0, 254}));
  EXPECT_EQ(Pixel(image, 5, 3), (std::vector<int>{0, 0, 254, 254}));
  EXPECT_EQ(Pixel(image, 10, 6), (std::vector<int>{0, 0, 254, 254}));
  EXPECT_EQ(Pixel(image, 11, 7), (std::vector<int>{254, 0, 0, 254}));
}

}  // namespace

namespace {

// The compositing rule pixel by pixel, channels in file order, one factor
// running on: the reference for the row-wise compositing.
void ReferenceRender(const QPSDLayer &layer, int width, int height, std::vector<uint8_t> &rgba) {
  int a = 255;
  for (int j = 0; j < layer.Height(); ++j) {
    int y = layer.top + j;
    if (y < 0 || y >= height) continue;
    for (int k = 0; k < layer.Width(); ++k) {
      int x = layer.left + k;
      if (x < 0 || x >= width) continue;
      uint8_t *p = &rgba[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4];
      for (int c = 0; c < layer.channelCount; ++c) {
        int s = layer.data[c][static_cast<std::size_t>(j) * layer.Width() + k];
        int id = layer.channels[c].id;
        if (id == -1) {
          a = s;
          p[3] = static_cast<uint8_t>((a * a + p[3] * (255 - a)) >> 8);
        } else {
          p[id] = static_cast<uint8_t>((s * a + p[id] * (255 - a)) >> 8);
        }
      }
    }
  }
}

TEST_F(PsdFiles, EveryChannelOrderCompositesAsPixelByPixel) {
  std::mt19937 random(3);
  auto bytes = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(random() & 0xFF);
    return s;
  };
  const std::vector<std::vector<int>> orders = {{-1, 0, 1, 2}, {0, 1, 2, -1}, {0, -1, 1, 2}, {2, 0}, {-1, 1, -1, 0}};
  for (const auto &order : orders) {
    Layer layer{-1, 2, 4, 7, {}};  // partly outside a 6 x 3 document
    for (int id : order) layer.channels.push_back({id, bytes(5 * 5)});
    auto image = Load("order.psd", Document(6, 3, {layer}));
    ASSERT_TRUE(image->IsRead());
    QPSD document(dir.Path("order.psd").c_str());
    std::vector<uint8_t> expected(6 * 3 * 4, 0);
    ReferenceRender(*document.GetLayer(0), 6, 3, expected);
    std::vector<uint8_t> actual(image->GetBuffer(), image->GetBuffer() + image->GetBufferSize());
    EXPECT_EQ(actual, expected) << "order starting " << order[0];
  }
}

}  // namespace
