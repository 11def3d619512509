// The image readers on files made by an independent encoder (ImageMagick),
// compared with ImageMagick's own decoding; Targa and MIP files are built
// here by their published layouts. Damaged files of every kind fail cleanly.
#include <gtest/gtest.h>

#include <kiln/qimage.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::ByteWriter;
using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;
using Bytes = std::vector<uint8_t>;

namespace {

const char kConvert[] = "/usr/bin/convert";
constexpr int kWidth = 37, kHeight = 23;  // odd: BMP rows need padding

class ImageFiles : public ::testing::Test {
protected:
  void SetUp() override {
    if (access(kConvert, X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed";
    ASSERT_TRUE(Convert("-size 37x23 -seed 5 plasma:fractal -alpha off -depth 8 src.png"));
    ASSERT_TRUE(Convert("src.png -alpha set -channel A -fx '(i*7+j*3)/255' +channel -depth 8 srca.png"));
    source = Decode("src.png");
    sourceAlpha = Decode("srca.png");
    ASSERT_EQ(source.size(), static_cast<std::size_t>(kWidth * kHeight * 4));
  }

  bool Convert(const std::string &args) {
    std::string command = "cd '" + dir.path() + "' && " + kConvert + " " + args + " 2>/dev/null";
    return std::system(command.c_str()) == 0;
  }

  // ImageMagick's decoding: RGBA bytes, top row first.
  Bytes Decode(const std::string &file) {
    if (!Convert("'" + file + "' -depth 8 rgba:decoded.raw")) return {};
    std::string raw = ReadFile(dir.Path("decoded.raw"));
    return Bytes(raw.begin(), raw.end());
  }

  // The image's pixels, top row first.
  static Bytes TopFirst(const QBitMap &image) {
    Bytes out;
    for (int y = image.GetHeight() - 1; y >= 0; --y) {
      const uint8_t *row = image.GetAddress(0, y);
      out.insert(out.end(), row, row + image.GetWidth() * 4);
    }
    return out;
  }

  std::unique_ptr<QImage> Load(const std::string &file) {
    capture.Take();
    return std::make_unique<QImage>(dir.Path(file).c_str());
  }

  static int MaxDifference(const Bytes &a, const Bytes &b) {
    if (a.size() != b.size()) return 1000;
    int most = 0;
    for (std::size_t i = 0; i < a.size(); ++i) most = std::max(most, std::abs(a[i] - b[i]));
    return most;
  }

  TempDir dir;
  MessageCapture capture;
  Bytes source, sourceAlpha;
};

TEST_F(ImageFiles, SgiRawAndRunLengthInEveryChannelCount) {
  ASSERT_TRUE(Convert("srca.png -compress None -depth 8 sgi:raw4.rgb"));
  ASSERT_TRUE(Convert("srca.png -compress RLE -depth 8 sgi:rle4.rgb"));
  ASSERT_TRUE(Convert("src.png -compress RLE -depth 8 sgi:rle3.rgb"));
  ASSERT_TRUE(Convert("src.png -compress None -depth 8 sgi:raw3.rgb"));
  ASSERT_TRUE(Convert("src.png -colorspace Gray -type Grayscale -compress RLE -depth 8 sgi:rle1.rgb"));
  for (const char *file : {"raw4.rgb", "rle4.rgb"}) {
    auto image = Load(file);
    ASSERT_TRUE(image->IsRead()) << file;
    EXPECT_EQ(TopFirst(*image), sourceAlpha) << file;
  }
  for (const char *file : {"raw3.rgb", "rle3.rgb"}) {
    auto image = Load(file);
    ASSERT_TRUE(image->IsRead()) << file;
    EXPECT_EQ(TopFirst(*image), source) << file;  // alpha 255 throughout
  }
  auto grey = Load("rle1.rgb");
  ASSERT_TRUE(grey->IsRead());
  Bytes expected = Decode("rle1.rgb");
  for (std::size_t i = 0; i < expected.size(); i += 4) expected[i + 1] = expected[i + 2] = expected[i + 3] = 255;
  EXPECT_EQ(TopFirst(*grey), expected);  // one channel: green, blue and alpha 255
}

TEST_F(ImageFiles, SgiOfBothByteOrdersReadAlike) {
  ASSERT_TRUE(Convert("srca.png -compress None -depth 8 sgi:big.rgb"));
  auto big = Load("big.rgb");
  ASSERT_TRUE(big->IsRead());
  ASSERT_TRUE(big->WriteRGB(dir.Path("little.rgb").c_str()));
  auto little = Load("little.rgb");
  ASSERT_TRUE(little->IsRead());
  EXPECT_EQ(TopFirst(*little), TopFirst(*big));
}

// A Targa file by the standard: type 2 (raw), 10 (run-length) or 3 (grey).
std::string Targa(const Bytes &topFirst, int width, int height, int type, int depth, bool topOrigin) {
  std::string file(18, '\0');
  file[2] = static_cast<char>(type);
  file[12] = static_cast<char>(width);
  file[13] = static_cast<char>(width >> 8);
  file[14] = static_cast<char>(height);
  file[15] = static_cast<char>(height >> 8);
  file[16] = static_cast<char>(depth);
  file[17] = static_cast<char>((depth == 32 ? 8 : 0) | (topOrigin ? 0x20 : 0));
  auto pixel = [&](int x, int y) {
    const uint8_t *p = &topFirst[(static_cast<std::size_t>(y) * width + x) * 4];
    if (type == 3) return std::string(1, static_cast<char>(p[0]));
    std::string bytes{static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
    if (depth == 32) bytes += static_cast<char>(p[3]);
    return bytes;
  };
  for (int i = 0; i < height; ++i) {
    int y = topOrigin ? i : height - 1 - i;
    if (type != 10) {
      for (int x = 0; x < width; ++x) file += pixel(x, y);
      continue;
    }
    // Runs of equal pixels, literals in between; never across a row.
    for (int x = 0; x < width;) {
      int run = 1;
      while (x + run < width && run < 128 && pixel(x + run, y) == pixel(x, y)) ++run;
      if (run > 1) {
        file += static_cast<char>(0x80 | (run - 1));
        file += pixel(x, y);
        x += run;
        continue;
      }
      int count = 1;
      while (x + count < width && count < 128 && !(x + count + 1 < width && pixel(x + count, y) == pixel(x + count + 1, y)))
        ++count;
      file += static_cast<char>(count - 1);
      for (int i2 = 0; i2 < count; ++i2) file += pixel(x + i2, y);
      x += count;
    }
  }
  return file;
}

TEST_F(ImageFiles, TargaEveryTypeAndBothRowOrders) {
  Bytes opaque = sourceAlpha;
  for (std::size_t i = 3; i < opaque.size(); i += 4) opaque[i] = 255;
  // Runs for the run-length packets: a band of one colour.
  Bytes banded = sourceAlpha;
  for (int x = 0; x < 30; ++x)
    for (int c = 0; c < 4; ++c) banded[static_cast<std::size_t>(5 * kWidth + x) * 4 + c] = static_cast<uint8_t>(40 + c);
  struct Case {
    const char *name;
    int type, depth;
    bool top;
    const Bytes *pixels;
  } cases[] = {{"raw32-bottom.tga", 2, 32, false, &sourceAlpha}, {"raw32-top.tga", 2, 32, true, &sourceAlpha},
               {"raw24-bottom.tga", 2, 24, false, &opaque},      {"rle32-bottom.tga", 10, 32, false, &banded},
               {"rle32-top.tga", 10, 32, true, &banded},         {"rle24-top.tga", 10, 24, true, &opaque}};
  for (const Case &c : cases) {
    dir.WriteFile(c.name, Targa(*c.pixels, kWidth, kHeight, c.type, c.depth, c.top));
    auto image = Load(c.name);
    ASSERT_TRUE(image->IsRead()) << c.name;
    EXPECT_EQ(TopFirst(*image), *c.pixels) << c.name;
  }
  dir.WriteFile("grey.tga", Targa(source, kWidth, kHeight, 3, 8, false));
  auto grey = Load("grey.tga");
  ASSERT_TRUE(grey->IsRead());
  Bytes expected;
  for (std::size_t i = 0; i < source.size(); i += 4) expected.insert(expected.end(), 4, source[i]);
  EXPECT_EQ(TopFirst(*grey), expected);
}

TEST_F(ImageFiles, BmpOfEightAndTwentyFourBitsWithPaddedRows) {
  ASSERT_TRUE(Convert("src.png -type TrueColor -depth 8 -compress None BMP3:colour.bmp"));
  auto colour = Load("colour.bmp");
  ASSERT_TRUE(colour->IsRead());
  EXPECT_EQ(TopFirst(*colour), Decode("colour.bmp"));
  // All 256 grey levels: ImageMagick then writes the palette in index order,
  // which is what the reader assumes.
  std::string pgm = "P5 255 4 255\n";
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 255; ++x) pgm += static_cast<char>((x + y * 7) % 256);
  dir.WriteFile("levels.pgm", pgm);
  ASSERT_TRUE(Convert("levels.pgm -type Palette -depth 8 -compress None BMP3:grey.bmp"));
  std::string bmp = ReadFile(dir.Path("grey.bmp"));
  ASSERT_EQ(bmp[28], 8);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(static_cast<uint8_t>(bmp[54 + i * 4]), i) << "palette not in order";
  auto grey = Load("grey.bmp");
  ASSERT_TRUE(grey->IsRead());
  EXPECT_EQ(TopFirst(*grey), Decode("grey.bmp"));
}

TEST_F(ImageFiles, PaletteBmpsReadThroughTheirColourTables) {
  // A grey picture of few levels and a picture of 50 colours: neither table
  // is the grey ramp.
  ASSERT_TRUE(Convert("src.png -colorspace Gray -colors 40 -type Palette -depth 8 -compress None BMP3:grey.bmp"));
  ASSERT_TRUE(Convert("src.png -colors 50 -type Palette -depth 8 -compress None BMP3:colours.bmp"));
  for (const char *file : {"grey.bmp", "colours.bmp"}) {
    std::string bmp = ReadFile(dir.Path(file));
    ASSERT_EQ(bmp[28], 8) << file;
    auto image = Load(file);
    ASSERT_TRUE(image->IsRead()) << file;
    EXPECT_EQ(TopFirst(*image), Decode(file)) << file;
  }

  // Damage: an index beyond a table of 4 colours, and a table that runs
  // into the pixel data.
  std::string bmp = ReadFile(dir.Path("colours.bmp"));
  const uint32_t dataOffset = static_cast<uint8_t>(bmp[10]) | static_cast<uint8_t>(bmp[11]) << 8;
  std::string small = bmp;
  small[46] = 4;
  small[47] = small[48] = small[49] = 0;
  small[dataOffset] = 9;
  dir.WriteFile("beyond.bmp", small);
  EXPECT_FALSE(Load("beyond.bmp")->IsRead());
  EXPECT_NE(capture.Take().find("beyond the table of 4"), std::string::npos);
  std::string overlong = bmp;
  overlong[10] = static_cast<char>(54 + 4 * 10);  // room for 10 entries only
  overlong[11] = 0;
  dir.WriteFile("overlong.bmp", overlong);
  EXPECT_FALSE(Load("overlong.bmp")->IsRead());
  EXPECT_NE(capture.Take().find("colour table does not fit"), std::string::npos);

  // Without a table the indices are grey levels.
  ByteWriter bare;
  bare.Text("BM").LE32(58).LE32(0).LE32(54);                        // file header
  bare.LE32(40).LE32(2).LE32(1).LE16(1).LE16(8).LE32(0).Fill(20);  // information header
  bare.U8(7).U8(200).Fill(2);                                      // one padded row
  dir.WriteFile("bare.bmp", bare.Bytes());
  auto grey = Load("bare.bmp");
  ASSERT_TRUE(grey->IsRead());
  EXPECT_EQ(TopFirst(*grey), (Bytes{7, 7, 7, 255, 200, 200, 200, 255}));
}

TEST_F(ImageFiles, JpegGreyAndColourWithinTolerance) {
  ASSERT_TRUE(Convert("src.png -quality 92 colour.jpg"));
  ASSERT_TRUE(Convert("src.png -colorspace Gray -quality 92 grey.jpg"));
  ASSERT_TRUE(Convert("src.png -colorspace CMYK cmyk.jpg"));
  auto colour = Load("colour.jpg");
  ASSERT_TRUE(colour->IsRead());
  EXPECT_LE(MaxDifference(TopFirst(*colour), Decode("colour.jpg")), 3);
  auto grey = Load("grey.jpg");
  ASSERT_TRUE(grey->IsRead());
  EXPECT_LE(MaxDifference(TopFirst(*grey), Decode("grey.jpg")), 3);
  auto cmyk = Load("cmyk.jpg");
  ASSERT_TRUE(cmyk->IsRead());
  EXPECT_EQ(cmyk->GetWidth(), kWidth);
  EXPECT_FALSE(cmyk->HasTransparency());
}

TEST_F(ImageFiles, WrittenFilesReadBackWithImageMagick) {
  QBitMap bitmap(32, kWidth, kHeight, 0);
  for (int y = 0; y < kHeight; ++y) std::memcpy(bitmap.GetAddress(0, kHeight - 1 - y), &sourceAlpha[y * kWidth * 4], kWidth * 4);
  ASSERT_TRUE(bitmap.Write(dir.Path("out.tga").c_str(), QBM_FORMAT_TGA));
  // ImageMagick 6.9 ignores the bottom-left origin of Targa files and shows
  // the first row of the file at the top.
  Bytes flipped;
  for (int y = kHeight - 1; y >= 0; --y)
    flipped.insert(flipped.end(), sourceAlpha.begin() + y * kWidth * 4, sourceAlpha.begin() + (y + 1) * kWidth * 4);
  EXPECT_EQ(Decode("out.tga"), flipped);
  ASSERT_TRUE(bitmap.Write(dir.Path("out.jpg").c_str(), QBM_FORMAT_JPG, 95));
  Bytes opaque = source;
  EXPECT_LE(MaxDifference(Decode("out.jpg"), opaque), 40);
  ASSERT_TRUE(bitmap.Write(dir.Path("out.rgb").c_str(), QBM_FORMAT_RGB));
  auto back = Load("out.rgb");
  ASSERT_TRUE(back->IsRead());
  EXPECT_EQ(TopFirst(*back), sourceAlpha);
}

TEST_F(ImageFiles, NamesChooseTheReader) {
  dir.WriteFile("scene.Tga.bak", Targa(sourceAlpha, kWidth, kHeight, 2, 32, false));
  EXPECT_TRUE(Load("scene.Tga.bak")->IsRead());
  ASSERT_TRUE(Convert("src.png -compress None -depth 8 sgi:both.rgb.tga"));
  EXPECT_TRUE(Load("both.rgb.tga")->IsRead());  // ".RGB" is tested first
  auto png = Load("src.png");
  EXPECT_TRUE(png->IsRead());
  EXPECT_EQ(png->GetBuffer(), nullptr);
  auto unknown = Load("src.xyz");
  EXPECT_FALSE(unknown->IsRead());
  EXPECT_EQ(capture.Take(), "QImage::Read(\"" + dir.Path("src.xyz") + "\")\nQImage:Read(): image '" + dir.Path("src.xyz") + "' has unknown file format\nQImage ctor: can't load '" +
                                dir.Path("src.xyz") + "'\n");
  EXPECT_FALSE(Load("missing.tga")->IsRead());
}

TEST_F(ImageFiles, DamagedFilesFailCleanly) {
  ASSERT_TRUE(Convert("srca.png -compress RLE -depth 8 sgi:a.rgb"));
  ASSERT_TRUE(Convert("src.png -type TrueColor -depth 8 -compress None BMP3:a.bmp"));
  ASSERT_TRUE(Convert("src.png a.jpg"));
  dir.WriteFile("a.tga", Targa(sourceAlpha, kWidth, kHeight, 10, 32, false));
  for (const char *name : {"a.rgb", "a.bmp", "a.jpg", "a.tga"}) {
    std::string good = ReadFile(dir.Path(name));
    std::string damaged = std::string("d") + name;
    for (std::size_t cut = 0; cut < good.size(); cut += good.size() / 40 + 1) {
      dir.WriteFile(damaged, good.substr(0, cut));
      Load(damaged);
    }
    for (std::size_t at = 0; at < good.size(); at += good.size() / 60 + 1) {
      std::string flipped = good;
      flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
      dir.WriteFile(damaged, flipped);
      Load(damaged);
    }
  }
  // Sizes that claim more than the file holds, and unsupported kinds.
  std::string huge = Targa(sourceAlpha, kWidth, kHeight, 2, 32, false);
  huge[12] = static_cast<char>(0x88);
  huge[13] = 0x13;  // 5000 pixels wide
  dir.WriteFile("wide.tga", huge);
  EXPECT_FALSE(Load("wide.tga")->IsRead());
  EXPECT_NE(capture.Take().find("too wide (max width=4096)"), std::string::npos);
  std::string mapped = Targa(sourceAlpha, kWidth, kHeight, 2, 32, false);
  mapped[1] = 1;
  dir.WriteFile("mapped.tga", mapped);
  EXPECT_FALSE(Load("mapped.tga")->IsRead());
  EXPECT_NE(capture.Take().find("colormap is not supported"), std::string::npos);
  std::string tall = Targa(sourceAlpha, kWidth, kHeight, 2, 32, false);
  tall[15] = 0x7F;  // rows the file does not hold
  dir.WriteFile("tall.tga", tall);
  EXPECT_FALSE(Load("tall.tga")->IsRead());
  capture.Take();
}

TEST_F(ImageFiles, RunLengthPacketsCrossingARowAreCutThere) {
  // Two rows of two pixels; the first packet repeats one pixel four times.
  std::string file(18, '\0');
  file[2] = 10;
  file[12] = 2;
  file[14] = 2;
  file[16] = 24;
  file += std::string("\x83\x03\x02\x01", 4);           // row 0: two of four written
  file += std::string("\x01\x06\x05\x04\x09\x08\x07", 7);  // row 1: a fresh packet
  dir.WriteFile("cross.tga", file);
  auto image = Load("cross.tga");
  ASSERT_TRUE(image->IsRead());
  const uint8_t *row0 = image->GetAddress(1, 0);
  const uint8_t *row1 = image->GetAddress(0, 1);
  EXPECT_EQ(row0[0], 1);
  EXPECT_EQ(row1[0], 4);
  EXPECT_EQ(row1[4], 7);
}

std::string Mip(int width, int height, const std::string &pixels) {
  std::string file = "PIM " + std::string(8, '\0');
  std::string block(13, '\0');
  block[12] = 1;  // the first block type: a colour table follows
  file += block + std::string(8, '\0') + std::string(11, '\0');
  std::string table(8, '\0');
  table += std::string("\x40\0\0\0", 4);
  for (int i = 0; i < 16; ++i) table += std::string{static_cast<char>(i * 16), static_cast<char>(i), static_cast<char>(255 - i), static_cast<char>(200)};
  file += table + std::string(12, '\0');
  std::string second(13, '\0');
  second[12] = 1;  // image type
  file += second;
  auto le32 = [](int v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)}; };
  file += le32(width) + le32(height) + le32((width + 1) / 2) + std::string(3, '\0') + std::string(12, '\0');
  return file + pixels;
}

TEST_F(ImageFiles, MipNibblesHighFirstTopRowFirst) {
  dir.WriteFile("p.mip", Mip(3, 2, std::string("\x12\x30\x45\x60", 4)));
  auto image = Load("p.mip");
  ASSERT_TRUE(image->IsRead());
  const uint8_t *top = image->GetAddress(0, 1);
  // Entry i of the table is red 255 - i, green i, blue 16 i (stored blue first).
  EXPECT_EQ(top[0], 254);  // the left pixel: colour 1
  EXPECT_EQ(top[1], 1);
  EXPECT_EQ(top[2], 16);
  EXPECT_EQ(top[3], 200);
  EXPECT_EQ(top[4], 253);  // the right pixel: colour 2
  EXPECT_EQ(image->GetAddress(0, 0)[0], 251);
  dir.WriteFile("bad.mip", "MIP?" + std::string(200, '\0'));
  EXPECT_FALSE(Load("bad.mip")->IsRead());
  EXPECT_NE(capture.Take().find("MIP image doesn't have correct header"), std::string::npos);
  dir.WriteFile("short.mip", Mip(3, 2, "\x12"));
  EXPECT_FALSE(Load("short.mip")->IsRead());
  capture.Take();
}

}  // namespace
