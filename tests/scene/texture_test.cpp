// Textures on Mesa under Xvfb: what was uploaded is read back level by
// level, drawn quads and copied frame buffers are checked by their pixels,
// and every holder's reference is counted.
#include <gtest/gtest.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/ddrawabletexture.h>
#include <kiln/dglobal.h>
#include <kiln/dtexturemanager.h>
#include <kiln/dtexturemap.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcolor.h>
#include <kiln/qglcontext.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::GLWindow;
using kiln::test::MessageCapture;
using kiln::test::TempDir;
using Pixel = std::array<uint8_t, 4>;

namespace {

// A picture whose every pixel tells where it is: (x, y from the top, a mix, 255).
std::unique_ptr<QBitMap> Pattern(int width, int height) {
  auto bitmap = std::make_unique<QBitMap>(32, width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap->SetPixel(x, y, QColor(x & 255, y & 255, (x * 7 + y) & 255, 255));
  }
  return bitmap;
}

Pixel At(const std::vector<uint8_t> &rgba, int width, int x, int row) {
  const uint8_t *p = &rgba[(static_cast<std::size_t>(row) * width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

class Textures : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    capture.Take();
  }

  // Level `level` of the texture, rows bottom first.
  static std::vector<uint8_t> Level(const DTexture &texture, int level, int *width, int *height) {
    texture.Bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, height);
    std::vector<uint8_t> rgba(static_cast<std::size_t>(*width) * *height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
  }

  GLWindow window{128, 96};
  MessageCapture capture;
  TempDir dir;
};

TEST_F(Textures, ReferencesCountedThroughEveryHolder) {
  auto bitmap = Pattern(4, 4);
  auto *texture = new DBitMapTexture(bitmap.get());
  texture->SetName("counted");
  EXPECT_EQ(texture->GetRefCount(), 1);
  DTexturePool &pool = *d3Global().pool;
  ASSERT_TRUE(pool.Add("counted.tga", texture));
  texture->Attach();
  texture->Attach();
  texture->Detach();
  texture->Detach();
  EXPECT_EQ(pool.Find("counted.tga"), texture);
  texture->Detach();  // the third: gone, and out of the pool
  EXPECT_EQ(pool.Find("counted.tga"), nullptr);

  auto *never = new DTexture;
  never->SetName("never made");
  never->Detach();
  EXPECT_EQ(capture.Take(), "** Error: DTexture:Detach(); refCount<0 (refCount=-1); too many Detach() calls\n");
  // Deleted directly: reported, and still out of the pool.
  pool.Add("never.tga", never);
  delete never;
  EXPECT_NE(capture.Take().find("DTexture::~DTexture() [never made] called directly; use Detach() instead!"),
            std::string::npos);
  EXPECT_EQ(pool.Find("never.tga"), nullptr);
}

TEST_F(Textures, SmallerBitmapFillsTheTopOfItsPowerOfTwoTexture) {
  auto bitmap = Pattern(300, 200);
  DBitMapTexture *texture = new DBitMapTexture(bitmap.get());
  EXPECT_EQ(texture->GetWidth(), 512);
  EXPECT_EQ(texture->GetHeight(), 256);
  int w, h;
  std::vector<uint8_t> level = Level(*texture, 0, &w, &h);
  ASSERT_EQ(w, 512);
  ASSERT_EQ(h, 256);
  // Texture rows count from the bottom: the picture's bottom row is row 56.
  EXPECT_EQ(At(level, w, 0, 56), (Pixel{0, 199, 199, 255}));
  EXPECT_EQ(At(level, w, 299, 255), (Pixel{299 & 255, 0, (299 * 7) & 255, 255}));
  EXPECT_EQ(At(level, w, 300, 255), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(At(level, w, 10, 55), (Pixel{0, 0, 0, 0}));
  // Every mipmap level down to one pixel.
  Level(*texture, 9, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);

  // A later, larger bitmap is cut to the texture; one that is not 32-bit
  // is refused.
  auto larger = Pattern(600, 300);
  EXPECT_TRUE(texture->LoadBitMap(larger.get()));
  level = Level(*texture, 0, &w, &h);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(At(level, w, 511, 255), (Pixel{511 & 255, 0, (511 * 7) & 255, 255}));
  QBitMap grey(8, 4, 4);
  EXPECT_FALSE(texture->LoadBitMap(&grey));
  texture->Detach();
}

TEST_F(Textures, MipmapsOffAndCompressionOn) {
  auto bitmap = Pattern(16, 16);
  auto *plain = new DTexture;
  plain->EnableMipmap(false);
  EXPECT_EQ(plain->GetMinFilter(), static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(plain->GetMagFilter(), static_cast<GLenum>(GL_LINEAR));
  plain->SetSize(16, 16);
  plain->SetSize(32, 32);
  EXPECT_NE(capture.Take().find("DTexture::SetSize() called twice"), std::string::npos);
  plain->CreateTexture();
  plain->EnableMipmap(true);
  EXPECT_NE(capture.Take().find("EnableMipmap() called after creation"), std::string::npos);
  EXPECT_EQ(plain->GetWidth(), 16);
  plain->Detach();

  d3Global().textureFlags |= DGTF_COMPRESS;
  DBitMapTexture *compressed = new DBitMapTexture(nullptr);
  capture.Take();
  compressed->EnableCompression();
  EXPECT_EQ(compressed->GetInternalFormat(), static_cast<GLenum>(GL_COMPRESSED_RGBA_ARB));
  ASSERT_TRUE(compressed->LoadBitMap(bitmap.get()));
  GLint isCompressed = 0;
  compressed->Bind();
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &isCompressed);
  EXPECT_EQ(isCompressed, 1);
  compressed->DisableCompression();
  EXPECT_EQ(compressed->GetInternalFormat(), static_cast<GLenum>(GL_RGBA));
  d3Global().textureFlags &= ~DGTF_COMPRESS;
  compressed->Detach();
}

TEST_F(Textures, ImageFilesStubsAndReduction) {
  // An image by ImageMagick reads through the search path as ImageMagick
  // decodes it.
  if (access("/usr/bin/convert", X_OK) == 0) {
    std::string make = "cd '" + dir.path() + "' && /usr/bin/convert -size 40x24 -seed 3 plasma:fractal -depth 8" +
                       " BMP3:found.bmp && /usr/bin/convert found.bmp -depth 8 rgba:found.raw";
    ASSERT_EQ(std::system(make.c_str()), 0);
    d3Global().path.Add(dir.path().c_str());
    std::unique_ptr<QBitMap> image(d3LoadTextureMap("found.bmp"));
    d3Global().path.Clear();
    std::string raw = kiln::test::ReadFile(dir.Path("found.raw"));
    ASSERT_EQ(image->GetWidth(), 40);
    for (int y = 0; y < 24; ++y) {
      for (int x = 0; x < 40; ++x) {
        const uint8_t *p = image->GetAddress(x, 23 - y);
        const std::size_t at = (static_cast<std::size_t>(y) * 40 + x) * 4;
        ASSERT_EQ(std::string(reinterpret_cast<const char *>(p), 4), raw.substr(at, 4)) << x << "," << y;
      }
    }

    // Halved, and limited: a power of two at or above each half, then the
    // bound; a divisor below 1 counts as 1.
    d3Global().textureDivisor = 2;
    d3Global().path.Add(dir.path().c_str());
    image.reset(d3LoadTextureMap("found.bmp"));
    EXPECT_EQ(image->GetWidth(), 32);
    EXPECT_EQ(image->GetHeight(), 16);
    d3Global().textureDivisor = 0;
    d3Global().maxTextureWidth = 16;
    image.reset(d3LoadTextureMap("found.bmp"));
    EXPECT_EQ(image->GetWidth(), 16);
    EXPECT_EQ(image->GetHeight(), 32);
    d3Global().textureDivisor = 1;
    d3Global().maxTextureWidth = 4096;
    d3Global().path.Clear();
  }

  capture.Take();
  std::unique_ptr<QBitMap> stub(d3LoadTextureMap("no/such/picture.tga"));
  EXPECT_EQ(capture.Take(),
            "d3LoadTextureMap(); can't load 'no/such/picture.tga'; creating red/blue stub image\n");
  ASSERT_EQ(stub->GetWidth(), 2);
  QColor color;
  stub->GetPixel(0, 0, &color);
  EXPECT_EQ(color.GetRGBA(), 0xFF0000FFu);
  stub->GetPixel(1, 0, &color);
  EXPECT_EQ(color.GetRGBA(), 0x0000FFFFu);
  stub.reset(DMakeStubImage(5));
  EXPECT_EQ(capture.Take(), "DMakeStubImage(5) unknown; using type 0 instead\n");
}

// The colour cycle and the once-only warning are the process's: these run
// in a process of their own.
TEST_F(Textures, OneColourStubsCycleThroughEight) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        d3Global().textureFlags &= ~DGTF_LOAD_IMAGES;
        for (int i = 0; i < 9; ++i) {
          std::unique_ptr<QBitMap> image(d3LoadTextureMap("anything.tga"));
          QColor color;
          image->GetPixel(0, 0, &color);
          std::fprintf(stderr, "%06x %dx%d,", color.GetRGB(), image->GetWidth(), image->GetHeight());
        }
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      "^ff0000 1x1,00ff00 1x1,ffff00 1x1,0000ff 1x1,ff00ff 1x1,00ffff 1x1,ffffff 1x1,808080 1x1,ff0000 1x1,$");
}

TEST_F(Textures, OutsideTheCanvasWarnsOncePerProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto make = [] {
    auto *texture = new DTexture;
    texture->SetSize(1, 1);
    texture->CreateTexture();
    texture->Detach();
  };
  EXPECT_EXIT(
      {
        QCanvas::SetAppCanvasSource(nullptr);
        for (int i = 0; i < 3; ++i) make();
        std::fputs(capture.Take().c_str(), stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "^Textures being created outside of QCV; probably NOT wanted\n$");
  // Not when the application names the current context as its canvas's.
  EXPECT_EXIT(
      {
        make();
        std::fputs(capture.Take().c_str(), stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "^$");
}

TEST_F(Textures, PoolAndManager) {
  DTexturePool pool;
  auto *first = new DTexture, *second = new DTexture;
  first->CreateTexture();  // one reference each
  second->CreateTexture();
  EXPECT_TRUE(pool.Add("hull.tga", first));
  EXPECT_TRUE(pool.Add("hull.tga", second));  // the first stays
  EXPECT_EQ(pool.Find("hull.tga"), first);
  EXPECT_EQ(pool.Find("HULL.tga"), nullptr);
  pool.Add("deck.tga", second);
  pool.Add("sail.bmp", second);
  static int called;
  called = 0;
  EXPECT_EQ(pool.FindAll("*.tga", [](DTexture *) { ++called; }), 2);
  EXPECT_EQ(called, 2);
  pool.Remove(nullptr);
  EXPECT_NE(capture.Take().find("DTexturePool:Remove() null arg\n"), std::string::npos);
  for (int i = pool.GetCount(); i < DTexturePool::kCapacity; ++i) pool.Add(std::to_string(i).c_str(), first);
  EXPECT_FALSE(pool.Add("one too many", first));
  EXPECT_EQ(capture.Take(), "DTexturePool:Add(); max reached (3000)\n");
  pool.Clear();
  first->Detach();
  second->Detach();
  capture.Take();

  const int reference = d3GetTextureReference("missing-for-the-manager.tga");
  ASSERT_GT(reference, 0);
  DTexture *texture = d3GetTexture(reference);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetWidth(), 2);  // the stub
  EXPECT_EQ(d3GetTextureReference("missing-for-the-manager.tga"), reference);
  d3Global().textureManager->Release(reference);
  d3Global().textureManager->Release(reference);  // the last: the texture is detached
  EXPECT_EQ(d3GetTexture(0), nullptr);
  EXPECT_NE(capture.Take().find("DTextureManager:GetTexture(ref 0) out of range"), std::string::npos);
}

TEST_F(Textures, FilterNames) {
  EXPECT_EQ(DGlobal::FilterS2N("GL_LINEAR_MIPMAP_NEAREST"), static_cast<GLenum>(GL_LINEAR_MIPMAP_NEAREST));
  EXPECT_STREQ(DGlobal::FilterN2S(GL_NEAREST_MIPMAP_LINEAR), "GL_NEAREST_MIPMAP_LINEAR");
  EXPECT_TRUE(DGlobal::IsMipmapFilter(GL_NEAREST_MIPMAP_NEAREST));
  EXPECT_FALSE(DGlobal::IsMipmapFilter(GL_LINEAR));
  EXPECT_EQ(DGlobal::FilterS2N("gl_linear"), static_cast<GLenum>(GL_NEAREST));
  EXPECT_STREQ(DGlobal::FilterN2S(7), "???");
  EXPECT_EQ(capture.Take(), "DGlobal::FilterS2N(gl_linear) unknown\nDGlobal::FilterN2S(7) unknown\n");
}

TEST_F(Textures, QuadsAreDrawnCentredLeftOfTheirX) {
  window.Setup2D();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  std::unique_ptr<QBitMap> checker(DMakeStubImage(0));
  auto *texture = new DBitMapTexture(checker.get());
  texture->EnableMipmap(false);
  texture->SetMinFilter(GL_NEAREST);
  texture->SetMagFilter(GL_NEAREST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  // Centred on x - width / 2 = 60 and y 0, lifted into the window: the
  // quad spans 40 to 80 across and 28 to 68 up. The stub's top-left pixel
  // is red.
  glTranslatef(0, 48, 0);
  QRect rect;
  rect.Set(80, 7, 40, 40);
  DrawTextureQuad(texture, rect, 0);
  EXPECT_EQ(window.Pixel(45, 62), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(75, 62), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(window.Pixel(45, 34), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(window.Pixel(75, 34), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(35, 48), (Pixel{0, 0, 0, 255}));
  GLboolean culling = GL_TRUE;
  glGetBooleanv(GL_CULL_FACE, &culling);
  EXPECT_FALSE(culling);

  // Without a texture, blended by alpha: half green over the red.
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glColor4f(0, 1, 0, 0.5f);
  DrawTextureQuad(nullptr, rect, 1);
  Pixel blended = window.Pixel(60, 48);
  EXPECT_NEAR(blended[0], 128, 1);
  EXPECT_NEAR(blended[1], 128, 1);
  texture->Detach();
}

TEST_F(Textures, FrameBufferCopiedWhereItFits) {
  window.Setup2D();
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  auto *copy = new DDrawableTexture(&window);
  EXPECT_EQ(copy->GetWidth(), 128);
  EXPECT_EQ(copy->GetHeight(), 128);
  // 448 rows up would leave the texture: against its top instead.
  EXPECT_EQ(copy->GetCopyOffsetY(), 32);
  copy->CopyFromBuffer(false);
  EXPECT_EQ(capture.Take(), "");
  int w, h;
  std::vector<uint8_t> level = Level(*copy, 0, &w, &h);
  EXPECT_EQ(At(level, w, 5, 32), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(At(level, w, 127, 127), (Pixel{0, 255, 0, 255}));
  // The program's pixel-store state is back: a tight read stays tight.
  GLint rowLength = -1;
  glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
  EXPECT_EQ(rowLength, 0);
  copy->Detach();

  GLWindow tall(200, 520);
  ASSERT_TRUE(tall.IsReady());
  auto *high = new DDrawableTexture(&tall);
  EXPECT_EQ(high->GetHeight(), 1024);
  EXPECT_EQ(high->GetCopyOffsetY(), 448);
  GLWindow small(100, 50);
  ASSERT_TRUE(small.IsReady());
  auto *low = new DDrawableTexture(&small);
  EXPECT_EQ(low->GetCopyOffsetY(), 14);
  QGLContext::Select(small.Context());
  low->Detach();
  QGLContext::Select(tall.Context());
  high->Detach();
}

}  // namespace
