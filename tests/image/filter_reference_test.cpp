// The filters against loops written here from their formulas (no tables,
// no running sums), on every byte value and strength; shapes grown and
// shadows cast on small drawn bitmaps.
#include <gtest/gtest.h>

#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

// Every byte value in every channel, in shifted orders.
QBitMap EveryByte() {
  QBitMap bitmap(32, 256, 1, 0);
  for (int v = 0; v < 256; ++v) {
    uint8_t *p = bitmap.GetAddress(v, 0);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v * 7 + 3);
    p[2] = static_cast<uint8_t>(255 - v);
    p[3] = static_cast<uint8_t>(v * 13 + 5);
  }
  return bitmap;
}

// Applies `filter` to a copy and `reference` to each pixel of another;
// true when every byte agrees.
void ExpectSame(const std::function<void(QBitMap &)> &filter, const std::function<void(uint8_t *)> &reference,
                const std::string &what) {
  const QBitMap source = EveryByte();
  QBitMap filtered(source), expected(source);
  filtered.CopyPixels(source);
  expected.CopyPixels(source);
  filter(filtered);
  for (int x = 0; x < 256; ++x) reference(expected.GetAddress(x, 0));
  ASSERT_TRUE(std::equal(filtered.GetBuffer(), filtered.GetBuffer() + 1024, expected.GetBuffer())) << what;
}

TEST(FilterFormulas, EveryByteAtEveryStrength) {
  qdbg_set_callback([](const char *) {});
  for (int p = -150; p <= 150; ++p) {
    const std::string at = "strength " + std::to_string(p);
    ExpectSame([p](QBitMap &b) { b.Brightness(p); },
               [p](uint8_t *px) {
                 for (int c = 0; c < 3; ++c) {
                   const int v = px[c];
                   if (p < -100) px[c] = 0;
                   else if (p < 0) px[c] = static_cast<uint8_t>(v * (100 + p) / 100);
                   else if (p > 0) px[c] = static_cast<uint8_t>(v + std::min(p, 100) * (255 - v) / 100);
                 }
               },
               "brightness " + at);
    ExpectSame([p](QBitMap &b) { b.Fade(p); },
               [p](uint8_t *px) {
                 const int v = px[3];
                 if (p < -100) px[3] = 255;
                 else if (p < 0) px[3] = static_cast<uint8_t>(v + (-p) * (255 - v) / 100);
                 else if (p > 0 && p <= 100) px[3] = static_cast<uint8_t>(v * (100 - p) / 100);
                 else if (p > 100) px[3] = 0;
               },
               "fade " + at);
    ExpectSame([p](QBitMap &b) { b.Gray(p); },
               [p](uint8_t *px) {
                 const int w = std::clamp(p, 0, 128);
                 const int g = 29 * px[0] / 100 + 29 * px[1] / 50 + 13 * px[2] / 100;
                 for (int c = 0; c < 3; ++c) px[c] = static_cast<uint8_t>(px[c] + (g - px[c]) * w / 128);
               },
               "gray " + at);
  }
  const QColor tint(200, 120, 40, 9);
  ExpectSame([&](QBitMap &b) { b.Colorize(tint, 3); },
             [](uint8_t *px) {
               const int g = (px[0] * 29 + px[1] * 58 + px[2] * 13) / 100;
               px[0] = static_cast<uint8_t>(200 * g / 255);
               px[1] = static_cast<uint8_t>(120 * g / 255);
               px[2] = static_cast<uint8_t>(40 * g / 255);
             },
             "colorize");
  ExpectSame([&](QBitMap &b) { b.Colorize(tint, 0); }, [](uint8_t *) {}, "colorize 0");
  qdbg_set_callback(nullptr);
}

TEST(FilterFormulas, BoxAlphaIsTheMeanOfEachBlock) {
  std::mt19937 random(7);
  for (int size : {4, 9, 16}) {
    const int k = size == 4 ? 2 : size == 9 ? 3 : 4;
    for (auto [w, h] : {std::pair{1, 1}, std::pair{k, k}, std::pair{37, 23}, std::pair{5, 40}}) {
      QBitMap bitmap(32, w, h, 0);
      for (int i = 0; i < bitmap.GetBufferSize(); ++i) bitmap.GetBuffer()[i] = static_cast<uint8_t>(random() % 3 ? random() : 0);
      QBitMap expected(bitmap);
      expected.CopyPixels(bitmap);
      const QBitMap original = [&] {
        QBitMap copy(bitmap);
        copy.CopyPixels(bitmap);
        return copy;
      }();
      for (int y = 0; y + k <= h; ++y) {
        for (int x = 0; x + k <= w; ++x) {
          int sum = 0;
          for (int j = 0; j < k; ++j)
            for (int i = 0; i < k; ++i) sum += original.GetAddress(x + i, y + j)[3];
          const int mean = sum / (k * k);
          uint8_t *p = expected.GetAddress(x, y);
          p[3] = static_cast<uint8_t>(mean);
          if (mean) p[0] = p[1] = p[2] = 255;
        }
      }
      bitmap.BoxAlpha(size);
      ASSERT_TRUE(std::equal(bitmap.GetBuffer(), bitmap.GetBuffer() + bitmap.GetBufferSize(), expected.GetBuffer()))
          << size << " on " << w << " x " << h;
    }
  }
}

// A drawing, rows from the top: '.' four zero bytes, 'r' red, 'a' only
// alpha, 'g' grown or shadow colour (0x102030, opaque).
QBitMap Drawn(const std::vector<std::string> &rows) {
  const int h = static_cast<int>(rows.size()), w = static_cast<int>(rows[0].size());
  QBitMap bitmap(32, w, h, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t *p = bitmap.GetAddress(x, h - 1 - y);
      const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      const uint8_t pixel[4] = {static_cast<uint8_t>(c == 'r' ? 200 : c == 'g' ? 0x10 : 0),
                                static_cast<uint8_t>(c == 'g' ? 0x20 : 0), static_cast<uint8_t>(c == 'g' ? 0x30 : 0),
                                static_cast<uint8_t>(c == '.' ? 0 : c == 'r' ? 90 : 255)};
      std::copy(pixel, pixel + 4, p);
    }
  }
  return bitmap;
}

void ExpectDrawn(const QBitMap &bitmap, const std::vector<std::string> &rows) {
  const QBitMap expected = Drawn(rows);
  EXPECT_TRUE(std::equal(bitmap.GetBuffer(), bitmap.GetBuffer() + bitmap.GetBufferSize(), expected.GetBuffer()));
}

TEST(FilterShapes, GrowByOnePixelFromTheShapesAsTheyWere) {
  QBitMap shapes = Drawn({"r....", "...a.", ".....", "....r"});
  shapes.GrowShapes(0x102030);
  ExpectDrawn(shapes, {"rg...", "g..a.", "....g", "...gr"});
}

TEST(FilterShapes, ShadowsFallOnTransparentPixelsWithinTheBitmap) {
  const std::vector<std::string> shape{"ra...", "a....", ".....", "....."};
  QBitMap down = Drawn(shape);
  down.DropShadow(1, 2, 0x102030);
  ExpectDrawn(down, {"ra...", "a....", ".gg..", ".g..."});
  QBitMap close = Drawn(shape);
  close.DropShadow(1, 1, 0x102030);  // the shadow doesn't cast one itself
  ExpectDrawn(close, {"ra...", "agg..", ".g...", "....."});
  QBitMap up = Drawn({".....", ".....", "...ra", "....a"});
  up.DropShadow(-2, -1, 0x102030);
  ExpectDrawn(up, {".....", ".gg..", "..gra", "....a"});
  QBitMap away = Drawn(shape);
  away.DropShadow(5, 0, 0x102030);
  away.DropShadow(-1, 0, 0x102030);
  away.DropShadow(0, -4, 0x102030);
  ExpectDrawn(away, shape);
}

}  // namespace
