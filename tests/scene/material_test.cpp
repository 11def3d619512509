// Materials: "MAT0" chunks built by hand, read, written back byte for byte,
// damaged; textures found beside the model; reference counts of shared
// textures.
#include <gtest/gtest.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dshaderrender.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qfile.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::ByteWriter;
using kiln::test::GLWindow;
using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

class Materials : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    geode.SetPath(dir.path().c_str());
    // Two pictures beside the model: a Targa and a BMP with a magenta pixel.
    QBitMap picture(32, 2, 1);
    picture.SetPixel(0, 0, QColor(255, 0, 255));
    picture.SetPixel(1, 0, QColor(10, 20, 30));
    picture.Write(dir.Path("hull.tga").c_str(), QBM_FORMAT_TGA);
    dir.WriteFile("sail.bmp", ByteWriter()
                                  .Text("BM").LE32(62).LE32(0).LE32(54)
                                  .LE32(40).LE32(2).LE32(1).LE16(1).LE16(24).LE32(0).Fill(20)
                                  .U8(255).U8(0).U8(255).U8(30).U8(20).U8(10).Fill(2)
                                  .Bytes());
    capture.Take();
  }

  // The material read from the bytes, or null when the read failed.
  std::unique_ptr<DMaterial> Import(const std::string &bytes, DGeode *owner) {
    dir.WriteFile("in.dof", bytes);
    QFile file(dir.Path("in.dof").c_str(), QFile::READ);
    auto material = std::make_unique<DMaterial>();
    if (!material->ImportDOF(&file, owner)) return nullptr;
    EXPECT_EQ(file.Tell(), static_cast<long>(bytes.size()));
    return material;
  }
  std::unique_ptr<DMaterial> Import(const std::string &bytes) { return Import(bytes, &geode); }

  std::string Export(const DMaterial &material) {
    {
      QFile file(dir.Path("out.dof").c_str(), QFile::WRITE);
      EXPECT_TRUE(material.ExportDOF(&file));
    }
    return ReadFile(dir.Path("out.dof"));
  }

  GLWindow window{32, 32};
  TempDir dir;
  DGeode geode{"ship.dof"};
  MessageCapture capture;
};

TEST_F(Materials, WrittenBackByteForByteWhateverTheOrderRead) {
  const std::string sub = WrittenMaterial("trim", {"sail.bmp"});
  const std::string written = WrittenMaterial("body_paint", {"hull.tga", "sail.bmp"}, {sub, sub}, 1, 0);
  auto material = Import(written);
  ASSERT_TRUE(material) << capture.Take();
  EXPECT_EQ(Export(*material), written);
  EXPECT_EQ(material->GetSubMaterialCount(), 2);
  EXPECT_EQ(material->GetTextureCount(), 2);
  EXPECT_STREQ(material->GetTexture(0)->GetName(), "hull.tga");
  EXPECT_FLOAT_EQ(material->shininess, 12.5f);
  EXPECT_FLOAT_EQ(material->uvw[0], 0.5f);
  EXPECT_EQ(material->blendMode, 1);
  EXPECT_TRUE(material->IsBlended());

  // The same pieces in another order, with an unknown one among them.
  auto shuffled = Import(Mat0({Msub({sub, sub}), Mtex({"hull.tga", "sail.bmp"}), Chunk("XTRA", "12345"),
                               Mcfl(0), Mtra(0.25f, 1), Muvw(kUvw), Mcol(kColours), Mhdr("body_paint", "Standard")}));
  ASSERT_TRUE(shuffled);
  EXPECT_EQ(Export(*shuffled), written);
  EXPECT_NE(capture.Take().find("Unknown chunk 'XTRA'\n"), std::string::npos);
}

TEST_F(Materials, NamesTexturesAndTheirLimits) {
  // Blanks and underscores become underscores, the rest stops at the dot.
  auto named = Import(Mat0({Mhdr("Body Paint.001", "x"), Mtex({})}));
  ASSERT_TRUE(named);
  EXPECT_STREQ(named->name.CStr(), "body_paint");
  // Names are written back as they stood in the file, lower-cased.
  auto upper = Import(Mat0({Mtex({"HULL.TGA"})}));
  ASSERT_TRUE(upper);
  EXPECT_EQ(Export(*upper).find("HULL"), std::string::npos);
  EXPECT_NE(Export(*upper).find("hull.tga"), std::string::npos);

  std::vector<std::string> eleven(11, "hull.tga");
  eleven[10] = "eleventh.tga";
  auto many = Import(Mat0({Mtex(eleven)}));
  ASSERT_TRUE(many);
  EXPECT_EQ(many->GetTextureCount(), 10);
  EXPECT_EQ(capture.Take().find("eleventh"), std::string::npos);
  // The first texture names a material without a name.
  EXPECT_STREQ(many->name.CStr(), "hull.tga");
}

TEST_F(Materials, MagentaIsTransparentInBmpsOnly) {
  auto keyed = Import(Mat0({Mtex({"sail.bmp"})}));
  ASSERT_TRUE(keyed);
  EXPECT_TRUE(keyed->IsBlended());
  EXPECT_TRUE(keyed->GetTexture(0)->IsTransparent());
  auto plain = Import(Mat0({Mtex({"hull.tga"})}));
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->IsBlended());
  // The texels themselves: transparent black against magenta.
  auto texel = [](const DTexture *texture) {
    std::vector<uint8_t> level(static_cast<std::size_t>(texture->GetWidth()) * texture->GetHeight() * 4);
    texture->Bind();
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
    return std::vector<int>(level.begin(), level.begin() + 4);
  };
  EXPECT_EQ(texel(keyed->GetTexture(0)), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(texel(plain->GetTexture(0)), (std::vector<int>{255, 0, 255, 255}));
}

// The warning is the process's once: this runs in a process of its own.
TEST_F(Materials, ZeroAlphasRepairedAndReportedOnce) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::vector<float> colours = kColours;
  colours[7] = 0;  // the diffuse alpha alone
  EXPECT_EXIT(
      {
        for (int i = 0; i < 2; ++i) {
          auto material = Import(Mat0({Mcol(colours)}));
          std::fprintf(stderr, "%g %g %g %g\n", material->ambient[3], material->diffuse[3], material->specular[3],
                       material->emission[3]);
        }
        std::fputs(capture.Take().c_str(), stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0),
      "^1 1 1 1\n1 1 1 1\nDOF '.*/in.dof' contains alpha=0 for certain colors, which may make objects "
      "transparent!\nThis warning will only be issued once.\n$");
}

TEST_F(Materials, EnvironmentLayersKeepTheDefaultMapsCount) {
  QBitMap sky(32, 4, 4);
  auto *envMap = new DBitMapTexture(&sky);
  d3Global().envMap = envMap;
  const int before = envMap->GetRefCount();
  std::vector<std::unique_ptr<DMaterial>> materials;
  for (int i = 0; i < 100; ++i) {
    materials.push_back(Import(WrittenMaterial("chrome", {"hull.tga"}, {}, 0, DMCF_ENVMAP)));
    ASSERT_TRUE(materials.back());
  }
  const DMaterialLayer *layer = materials[0]->GetLayer(1);
  ASSERT_EQ(materials[0]->GetLayerCount(), 2);
  EXPECT_EQ(layer->type, DMaterialLayer::ENVMAP);
  EXPECT_FLOAT_EQ(layer->strength, 0.4f);
  EXPECT_EQ(layer->texture, envMap);
  EXPECT_EQ(envMap->GetRefCount(), before + 100);
  // A copy holds references of its own.
  DTexture *hull = materials[0]->GetTexture(0);
  const int held = hull->GetRefCount();
  auto copy = std::make_unique<DMaterial>(*materials[0]);
  EXPECT_EQ(hull->GetRefCount(), held + 1);
  EXPECT_STREQ(copy->name.CStr(), "chrome");
  copy.reset();
  EXPECT_EQ(hull->GetRefCount(), held);
  materials.clear();
  EXPECT_EQ(envMap->GetRefCount(), before);
  d3Global().envMap = nullptr;
  envMap->Detach();

  // Ten layers at most.
  capture.Take();
  DMaterial layered;
  for (int i = 1; i < DMaterial::kMaxLayers; ++i) EXPECT_TRUE(layered.AddLayer(DMaterialLayer()));
  EXPECT_FALSE(layered.AddLayer(DMaterialLayer()));
  EXPECT_EQ(capture.Take(), "DMaterial::AddLayer(); max (10) reached\n");
}

TEST_F(Materials, ShadersAreAskedForByTheModelsPathAndName) {
  struct Render : DShaderRender {
    DShader *FindShader(const char *name) override {
      asked = name;
      return nullptr;
    }
    std::string asked;
  } render;
  d3Global().shaderRender = &render;
  auto material = Import(Mat0({Mhdr("Chrome Trim", "")}));
  d3Global().shaderRender = nullptr;
  ASSERT_TRUE(material);
  std::string expected = dir.Path("chrome_trim");
  for (char &c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(render.asked, expected);
}

TEST_F(Materials, DamageFailsCleanly) {
  const std::string good = WrittenMaterial("hull", {"hull.tga"}, {WrittenMaterial("sub", {})});
  ASSERT_TRUE(Import(good));
  // Every cut of a valid chunk fails cleanly, at whatever byte, also when
  // the chunk's own length says where it was cut.
  for (const std::string &cut : Cuts(good)) EXPECT_FALSE(Import(cut)) << cut.size() << " bytes";
  capture.Take();

  const std::string damaged[] = {
      WithLength(good, 4, -8),                                  // a negative chunk length
      WithLength(good, 4, 1 << 30),                             // a length past the file
      Mat0({Chunk("MTEX", Ints({-1}))}),                        // a negative count
      Mat0({Chunk("MTEX", Ints({1000000}))}),                   // a count beyond its sub-chunk
      Mat0({Chunk("MSUB", Ints({0x7FFFFFFF}))}),                // the same for sub-materials
      Mat0({Chunk("MCOL", Floats({1, 2, 3}))}),                 // colours cut short
      Mat0({Chunk("MHDR", ByteWriter().LE16(50).Text("abc").Bytes())}),  // a string beyond its sub-chunk
      Chunk("MAT0", Mcol(kColours)),                            // no closing "MEND"
      WithLength(Mat0({Mcfl(0)}), 4, 8),                        // a sub-chunk past its chunk
  };
  for (const std::string &bytes : damaged) {
    EXPECT_FALSE(Import(bytes));
    EXPECT_NE(capture.Take().find("DMaterial:ImportDOF(); damaged"), std::string::npos);
  }
  // Sub-materials nested deeper than 32 would take the stack.
  std::string nested = Mat0({});
  for (int depth = 0; depth < 40; ++depth) nested = Mat0({Msub({nested})});
  EXPECT_FALSE(Import(nested));
  // 151 sub-materials: 150 are held.
  auto wide = Import(Mat0({Msub(std::vector<std::string>(151, Mat0({})))}));
  ASSERT_TRUE(wide);
  EXPECT_EQ(wide->GetSubMaterialCount(), 150);
}

}  // namespace
