// Pixel buffers: memory, pixels, channels, alpha, filters, geometry and the
// exact bytes of the writers.
#include <gtest/gtest.h>

#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qrect.h>

#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

using Pixel = std::vector<int>;

Pixel At(const QBitMap &bitmap, int x, int row) {
  const uint8_t *p = bitmap.GetAddress(x, row);
  return p ? Pixel{p[0], p[1], p[2], p[3]} : Pixel{};
}

void Put(QBitMap &bitmap, int x, int row, Pixel value) {
  uint8_t *p = bitmap.GetAddress(x, row);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value[static_cast<std::size_t>(i)]);
}

TEST(BitMapMemory, AllocationAndOwnership) {
  MessageCapture capture;
  QBitMap none(32, 0, 10, 0);
  EXPECT_EQ(none.GetBuffer(), nullptr);
  EXPECT_EQ(capture.Take(), "");
  QBitMap image(32, 3, 2, 0);
  ASSERT_NE(image.GetBuffer(), nullptr);
  EXPECT_EQ(image.GetBufferSize(), 24);
  EXPECT_EQ(At(image, 2, 1), (Pixel{0, 0, 0, 0}));
  uint8_t block[16] = {};
  {
    QBitMap external;
    EXPECT_TRUE(external.Alloc(32, 2, 2, 0, block));
    EXPECT_TRUE(external.GetFlags() & QBM_EXTERNAL);
    Put(external, 0, 0, {1, 2, 3, 4});
  }
  EXPECT_EQ(block[0], 1);  // still there: the bitmap left it alone
  QBitMap huge(32, 100000, 100000, 0);
  EXPECT_EQ(huge.GetBuffer(), nullptr);
  EXPECT_EQ(capture.Take(), "QBitMap::Alloc() failed on 100000x100000, depth 32, flags 0\n");
  Put(image, 1, 0, {9, 8, 7, 6});
  std::unique_ptr<QBitMap> clone(image.Clone(true));
  EXPECT_EQ(At(*clone, 1, 0), (Pixel{9, 8, 7, 6}));
  QBitMap copy(image);
  EXPECT_EQ(At(copy, 1, 0), (Pixel{0, 0, 0, 0}));
}

TEST(BitMapPixels, RowsCountFromTheBottomAndCoordinatesFromTheTop) {
  QBitMap image(32, 2, 2, 0);
  Put(image, 0, 0, {255, 0, 0, 255});
  Put(image, 1, 0, {0, 255, 0, 255});
  QColor color;
  image.GetPixel(0, 1, &color);
  EXPECT_EQ(color.GetRGBA(), 0xFF0000FFu);
  image.SetPixel(1, 0, QColor(1, 2, 3, 4));
  EXPECT_EQ(At(image, 1, 1), (Pixel{1, 2, 3, 4}));
  image.SetPixel(5, 5, QColor(1, 2, 3, 4));  // outside: ignored
  image.GetPixel(-1, 0, &color);
  EXPECT_EQ(color.GetRGBA(), 0u);
  image.Clear();
  EXPECT_EQ(At(image, 0, 0), (Pixel{0, 0, 0, 0}));
}

TEST(BitMapPixels, CopyRectIsClippedToBothBitmaps) {
  QBitMap source(32, 4, 4, 0), target(32, 3, 3, 0);
  for (int row = 0; row < 4; ++row)
    for (int x = 0; x < 4; ++x) Put(source, x, row, {x, row, 0, 255});
  target.CopyRect(source, 2, 0, 4, 4, 1, -1);  // reaches past both
  // Top-based: source (2..3, 1..3) lands at target (1..2, 0..2).
  EXPECT_EQ(At(target, 1, 2), (Pixel{2, 2, 0, 255}));  // target top row, source row 1 from the top
  EXPECT_EQ(At(target, 2, 0), (Pixel{3, 0, 0, 255}));
  EXPECT_EQ(At(target, 0, 2), (Pixel{0, 0, 0, 0}));
  target.CopyRect(source, 0, 0, 2, 2, 10, 10);  // nothing left
}

TEST(BitMapChannels, InvertCopyAndSwap) {
  MessageCapture capture;
  QBitMap image(32, 2, 2, 0);
  image.InvertChannel(0, 0, 0, -1, 1);  // the top row
  EXPECT_EQ(At(image, 0, 1), (Pixel{255, 0, 0, 0}));
  EXPECT_EQ(At(image, 0, 0), (Pixel{0, 0, 0, 0}));
  image.InvertChannel(3, 1, 1, 5, 5);  // clipped to the one pixel
  EXPECT_EQ(At(image, 1, 0), (Pixel{0, 0, 0, 255}));
  image.CopyChannel(image, 3, 1);
  EXPECT_EQ(At(image, 1, 0), (Pixel{0, 255, 0, 255}));
  image.CopyChannel(image, 0, -1, 0, 0, 1, 1, 1, 1);
  EXPECT_EQ(At(image, 1, 0), (Pixel{255, 255, 0, 255}));
  image.SwapBytes();
  EXPECT_EQ(At(image, 1, 0), (Pixel{255, 0, 255, 255}));
  QBitMap grey(8, 2, 2, 0);
  grey.InvertChannel(0);
  grey.CopyChannel(image, 0, 0);
  EXPECT_EQ(capture.Take(),
            "QBitMap::InvertChannel() only supported for 32-bit\nQBitMap::CopyChannel() only supported for 32-bit\n");
}

TEST(BitMapAlpha, KeysMasksAndScaling) {
  QBitMap image(32, 3, 1, 0);
  Put(image, 0, 0, {255, 0, 255, 255});
  Put(image, 1, 0, {10, 20, 30, 100});
  Put(image, 2, 0, {10, 20, 30, 0});
  EXPECT_TRUE(image.HasTransparency());
  EXPECT_EQ(image.KeyMagenta(), 1);
  EXPECT_EQ(At(image, 0, 0), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(image.KeyColor(0x0A141E), 2);
  Put(image, 1, 0, {10, 20, 30, 100});
  image.ScaleAlpha(1, 1, 200);
  EXPECT_EQ(At(image, 1, 0)[3], 255);
  MessageCapture capture;
  image.ScaleAlpha(1, 0, 0);  // no division by zero
  EXPECT_EQ(capture.Take(), "QBitMap::ScaleAlpha(); divisor 0\n");
  image.SetAlpha(7);
  EXPECT_EQ(At(image, 2, 0)[3], 7);
  image.MaskFromAlpha();
  EXPECT_EQ(At(image, 2, 0), (Pixel{255, 255, 255, 7}));
  Put(image, 0, 0, {5, 5, 5, 0});
  image.ClearTransparent();
  EXPECT_EQ(At(image, 0, 0), (Pixel{0, 0, 0, 0}));
  image.SetWhite();
  EXPECT_EQ(At(image, 0, 0), (Pixel{255, 255, 255, 0}));
  EXPECT_EQ(image.KeyColorToAlpha(0xFFFFFF), 3);
  QBitMap empty;
  EXPECT_FALSE(empty.HasTransparency());
}

TEST(BitMapFilters, TablesGreyAndColour) {
  MessageCapture capture;
  QBitMap image(32, 2, 1, 0);
  Put(image, 0, 0, {0, 128, 255, 200});
  Put(image, 1, 0, {255, 255, 255, 255});
  QBitMap work(image);
  work.CopyPixels(image);
  work.Brightness(50);
  EXPECT_EQ(At(work, 0, 0), (Pixel{127, 191, 255, 200}));
  work.CopyPixels(image);
  work.Brightness(-50);
  EXPECT_EQ(At(work, 1, 0), (Pixel{127, 127, 127, 255}));
  work.CopyPixels(image);
  work.Fade(100);
  EXPECT_EQ(At(work, 1, 0)[3], 0);
  work.Fade(-150);
  EXPECT_EQ(At(work, 0, 0)[3], 255);
  work.CopyPixels(image);
  QBitMap gray128(image), gray200(image);
  gray128.CopyPixels(image);
  gray200.CopyPixels(image);
  gray128.Gray(128);
  gray200.Gray(200);
  EXPECT_EQ(At(gray128, 0, 0), At(gray200, 0, 0));
  EXPECT_EQ(At(gray128, 1, 0), (Pixel{253, 253, 253, 255}));  // 73 + 147 + 33 in integer tables
  work.Gray(-5);
  EXPECT_EQ(At(work, 0, 0), (Pixel{0, 128, 255, 200}));
  work.Colorize(QColor(255, 0, 0, 255), 1);
  EXPECT_EQ(At(work, 1, 0), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(capture.Take(), "QFilter0Colorize\n");
}

TEST(BitMapFilters, BoxAlphaAndSoftening) {
  QBitMap box(32, 2, 2, 0);
  Put(box, 1, 1, {0, 0, 0, 255});
  box.BoxAlpha(4);
  EXPECT_EQ(At(box, 0, 0), (Pixel{255, 255, 255, 63}));
  EXPECT_EQ(At(box, 1, 1), (Pixel{0, 0, 0, 255}));
  QBitMap soft(32, 3, 3, 0);
  Put(soft, 1, 1, {1, 1, 1, 200});
  Put(soft, 0, 0, {1, 1, 1, 90});
  soft.SoftenAlpha(0);  // seven of eight neighbours transparent
  EXPECT_EQ(At(soft, 1, 1)[3], 57);
  Put(soft, 1, 1, {1, 1, 1, 200});
  soft.SoftenAlpha(1);
  EXPECT_EQ(At(soft, 1, 1)[3], (200 + 90) / 9);
  EXPECT_EQ(At(soft, 0, 0)[3], 90);  // the border is left alone
  soft.AlphaToGray();
  EXPECT_EQ(At(soft, 0, 0), (Pixel{90, 90, 90, 90}));
  EXPECT_EQ(At(soft, 2, 2), (Pixel{0, 0, 0, 0}));
}

TEST(BitMapGeometry, RotationsAndScaling) {
  QBitMap source(32, 2, 2, 0), target(32, 2, 2, 0);
  Put(source, 0, 0, {1, 0, 0, 0});  // a
  Put(source, 1, 0, {2, 0, 0, 0});  // b
  Put(source, 0, 1, {3, 0, 0, 0});  // c
  Put(source, 1, 1, {4, 0, 0, 0});  // d
  QRect region;
  region.Set(0, 0, 2, 2);
  const int at[2] = {0, 0};
  ASSERT_TRUE(source.Rotate(90, region, &target, at));
  EXPECT_EQ(At(target, 0, 0)[0], 2);
  EXPECT_EQ(At(target, 1, 0)[0], 4);
  EXPECT_EQ(At(target, 0, 1)[0], 1);
  EXPECT_EQ(At(target, 1, 1)[0], 3);
  ASSERT_TRUE(source.Rotate(180, region, &target, at));
  EXPECT_EQ(At(target, 0, 0)[0], 4);
  const int outside[2] = {1, 1};
  EXPECT_TRUE(source.Rotate(270, region, &target, outside));  // partly outside: clipped
  MessageCapture capture;
  region.Set(0, 0, 2, 1);
  EXPECT_FALSE(source.Rotate(90, region, &target, at));
  region.Set(0, 0, 2, 2);
  EXPECT_FALSE(source.Rotate(45, region, &target, at));
  EXPECT_EQ(capture.Take(),
            "QBitMap:Rotate(); can only do rectangular regions, not 2x1\nQBitMap:Rotate(); angle 45 not supported\n");

  QBitMap wide(32, 4, 1, 0);
  for (int x = 0; x < 4; ++x) Put(wide, x, 0, {x, 0, 0, 0});
  ASSERT_TRUE(wide.Scale(2, 1));
  EXPECT_EQ(wide.GetWidth(), 2);
  EXPECT_EQ(At(wide, 0, 0)[0], 0);
  EXPECT_EQ(At(wide, 1, 0)[0], 1);
  ASSERT_TRUE(wide.Scale(5, 3));
  EXPECT_EQ(At(wide, 4, 2)[0], 1);
}

TEST(BitMapWriters, TargaBytesAreExact) {
  TempDir dir;
  QBitMap pixel(32, 1, 1, 0);
  Put(pixel, 0, 0, {1, 2, 3, 4});
  ASSERT_TRUE(pixel.Write(dir.Path("p.tga").c_str(), QBM_FORMAT_TGA));
  std::string bytes = ReadFile(dir.Path("p.tga"));
  EXPECT_EQ(bytes, std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x20\x08\3\2\1\4", 22));
  ASSERT_TRUE(pixel.Write(dir.Path("g.tga").c_str(), QBM_FORMAT_TGA_GRAY));
  EXPECT_EQ(ReadFile(dir.Path("g.tga")), std::string("\0\0\3\0\0\0\0\0\0\0\0\0\1\0\1\0\x08\x08\1", 19));
}

TEST(BitMapWriters, SgiHeaderAndPlanes) {
  TempDir dir;
  QBitMap image(32, 2, 1, 0);
  Put(image, 0, 0, {1, 2, 3, 4});
  Put(image, 1, 0, {5, 6, 7, 8});
  std::string path = dir.Path("i.rgb");
  ASSERT_TRUE(image.WriteRGB(path.c_str()));
  std::string bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 512u + 8);
  EXPECT_EQ(bytes.substr(0, 20), std::string("\xDA\x01\x01\0\3\0\2\0\1\0\4\0\0\0\0\0\xFF\0\0\0", 20));
  EXPECT_EQ(bytes.substr(24, path.size() < 79 ? path.size() : 79), path.substr(0, 79));
  EXPECT_EQ(bytes.substr(512), std::string("\1\5\2\6\3\7\4\x08", 8));
}

TEST(BitMapWriters, WidthLimitsAndFailures) {
  TempDir dir;
  MessageCapture capture;
  QBitMap wide(32, 4097, 1, 0);
  EXPECT_FALSE(wide.Write(dir.Path("w.tga").c_str(), QBM_FORMAT_TGA));
  EXPECT_FALSE(wide.Write(dir.Path("w.rgb").c_str(), QBM_FORMAT_RGB));
  EXPECT_EQ(capture.Take(), "** Error: QBitMap:WriteTGA(); image too wide\n** Error: QBitMap:Write; image too wide\n");
  EXPECT_TRUE(wide.Write(dir.Path("w.jpg").c_str(), QBM_FORMAT_JPG, 50));
  EXPECT_FALSE(wide.Write("x.bin", 7));
  EXPECT_EQ(capture.Take(), "QBitMap:Write(); unsupported format 7 to write 'x.bin'\n");
  QBitMap small(32, 2, 2, 0);
  EXPECT_FALSE(small.WriteTGA(dir.Path("no/such/dir.tga").c_str(), 1));
  EXPECT_FALSE(small.WriteJPG(dir.Path("no/such/dir.jpg").c_str(), 80));
  EXPECT_NE(capture.Take().find("can't open file"), std::string::npos);
  if (access("/dev/full", W_OK) == 0) {
    EXPECT_FALSE(small.WriteTGA("/dev/full", 1));  // a write error is a failure
    EXPECT_FALSE(small.WriteJPG("/dev/full", 80));
  }
  capture.Take();
}

}  // namespace
