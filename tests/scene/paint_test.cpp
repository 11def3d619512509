// Painting geometry with its materials, checked by the pixels Mesa draws in
// a 2D projection: burst ranges, flat and vertex colours, blending, the
// environment layer, false colours, geometry only, and the batch.
#include <gtest/gtest.h>

#include <kiln/dbatch.h>
#include <kiln/dbitmaptexture.h>
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qfile.h>

#include <GL/gl.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::GLWindow;
using kiln::test::MessageCapture;
using kiln::test::TempDir;
using Pixel = std::array<uint8_t, 4>;

namespace {

// Corners of a square in window pixels, and its two triangles.
std::vector<float> Square(float x0, float y0, float x1, float y1) { return {x0, y0, 0, x1, y0, 0, x0, y1, 0, x1, y1, 0}; }
const std::vector<uint16_t> kSquare = {0, 1, 2, 2, 1, 3};
const std::vector<float> kFacing = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
const std::vector<float> kCorners = {0, 0, 1, 0, 0, 1, 1, 1};

bool Near(const Pixel &pixel, const Pixel &expected) {
  for (int i = 0; i < 3; ++i) {
    if (std::abs(pixel[i] - expected[i]) > 1) return false;
  }
  return true;
}

class Painting : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    window.Setup2D();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    capture.Take();
  }

  DGeob *AddGeob(DGeode &geode, const std::string &chunk) {
    dir.WriteFile("geob.dof", chunk);
    QFile file(dir.Path("geob.dof").c_str(), QFile::READ);
    auto *geob = new DGeob(&geode);
    EXPECT_TRUE(geob->ImportDOF(&file));
    geode.AddGeob(geob);
    return geob;
  }

  // A picture file of one colour.
  std::string Picture(const char *name, const QColor &color) {
    QBitMap bitmap(32, 4, 4);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) bitmap.SetPixel(x, y, color);
    }
    bitmap.Write(dir.Path(name).c_str(), QBM_FORMAT_TGA);
    return dir.Path(name);
  }

  DMaterial *Textured(DGeode &geode, const std::string &picture) {
    auto *material = new DMaterial;
    material->AddTexture(picture.c_str());
    geode.AddMaterial(material);
    return material;
  }

  // A white light straight at the squares, and nothing else.
  static void LightFromTheFront() {
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1}, front[4] = {0, 0, 1, 0};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_POSITION, front);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    glMaterialfv(GL_FRONT, GL_EMISSION, black);
  }

  static bool IsOn(GLenum capability) { return glIsEnabled(capability) == GL_TRUE; }

  GLWindow window{64, 64};
  TempDir dir;
  MessageCapture capture;
};

TEST_F(Painting, ABurstDrawsItsOwnIndicesOnly) {
  DGeode geode("burst.dof");
  geode.AddMaterial(new DMaterial);
  // Index positions 2, 3 and 4 hold the lower-left triangle; the others,
  // triangles elsewhere.
  std::vector<float> vertices = {4, 4, 0, 28, 4, 0, 4, 28, 0, 36, 36, 0, 60, 36, 0, 36, 60, 0};
  AddGeob(geode, Gob1({Vert(vertices), Indi({3, 4, 0, 1, 2, 5}), Brst({6}, {9}, {0}, {3})}));
  geode.GetGeob(0)->Paint();
  EXPECT_EQ(window.Pixel(8, 8), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(window.Pixel(40, 40), (Pixel{0, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(20, 8), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(window.Pixel(20, 30), (Pixel{0, 0, 0, 255}));

  // Polygons of five corners are not drawn; neither is anything without a material.
  geode.GetGeob(0)->burstVperP[0] = 5;
  glClear(GL_COLOR_BUFFER_BIT);
  geode.GetGeob(0)->Paint();
  EXPECT_EQ(capture.Take(), "DGeob; draw poly NYI\n");
  EXPECT_EQ(window.Pixel(8, 8), (Pixel{0, 0, 0, 255}));
  DGeode bare("bare.dof");
  AddGeob(bare, Gob1({Vert(Square(0, 0, 64, 64)), Indi(kSquare), Brst({0}, {18}, {0}, {3})}))->Paint();
  EXPECT_EQ(capture.Take(), "DGeob::Paint(); no material in burst 0\n");
}

TEST_F(Painting, FlatAndVertexColours) {
  DGeode geode("colours.dof");
  DMaterial *flat = Textured(geode, Picture("red.tga", QColor(255, 0, 0)));
  flat->SetFlags(DMF_FLAT_COLOR);
  flat->color.Set(200, 100, 50);
  DGeob *geob = AddGeob(geode, Gob1({Vert(Square(0, 0, 32, 64)), Norm(kFacing), Tver(kCorners), Indi(kSquare),
                                     Brst({0}, {18}, {0}, {3})}));
  LightFromTheFront();
  geob->Paint();
  EXPECT_TRUE(Near(window.Pixel(16, 32), {200, 100, 50, 255}));

  // Colours of the vertices: lighting goes off for them.
  DGeode painted("painted.dof");
  painted.AddMaterial(new DMaterial);
  AddGeob(painted, Gob1({Vert(Square(32, 0, 64, 64)), Norm(kFacing), Vcol({0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0}),
                         Indi(kSquare), Brst({0}, {18}, {0}, {3})}))
      ->Paint();
  EXPECT_EQ(window.Pixel(48, 32), (Pixel{0, 255, 0, 255}));
  EXPECT_FALSE(IsOn(GL_LIGHTING));
  GLint arrays = 0;
  glGetIntegerv(GL_VERTEX_ARRAY, &arrays);
  EXPECT_EQ(arrays, 0);
}

TEST_F(Painting, AlphaBlendingOfModeOne) {
  QBitMap half(32, 2, 2);
  for (int i = 0; i < 4; ++i) half.SetPixel(i % 2, i / 2, QColor(255, 0, 0, 128));
  half.Write(dir.Path("half.tga").c_str(), QBM_FORMAT_TGA);
  DGeode geode("glass.dof");
  DMaterial *glass = Textured(geode, dir.Path("half.tga"));
  glass->blendMode = 1;
  glass->SetFlags(DMF_BLENDED);
  DGeob *geob = AddGeob(geode, Gob1({Vert(Square(0, 0, 64, 64)), Tver(kCorners), Indi(kSquare), Brst({0}, {18}, {0}, {3})}));
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  geob->Paint();
  // 255 · 128/255 and 255 · 127/255.
  EXPECT_EQ(window.Pixel(32, 32), (Pixel{128, 0, 127, 255}));
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(mode, GL_MODULATE);
  GLboolean depthWrites = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthWrites);
}

TEST_F(Painting, EnvironmentLayerAddsToTheBase) {
  QBitMap sky(32, 2, 2);
  for (int i = 0; i < 4; ++i) sky.SetPixel(i % 2, i / 2, QColor(0, 0, 100));
  auto *envMap = new DBitMapTexture(&sky);
  d3Global().envMap = envMap;
  DGeode geode("chrome.dof");
  DMaterial *chrome = Textured(geode, Picture("base.tga", QColor(100, 0, 0)));
  DMaterialLayer layer;
  layer.texture = envMap;
  layer.type = DMaterialLayer::ENVMAP;
  layer.strength = 0.4f;
  chrome->AddLayer(layer);
  DGeob *geob = AddGeob(geode, Gob1({Vert(Square(0, 0, 64, 64)), Norm(kFacing), Tver(kCorners), Indi(kSquare),
                                     Brst({0}, {18}, {0}, {3})}));
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  geob->Paint();
  EXPECT_TRUE(Near(window.Pixel(32, 32), {100, 0, 100, 255})) << int(window.Pixel(32, 32)[2]);
  // Texture unit 1 as it was.
  glActiveTexture(GL_TEXTURE1);
  EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
  EXPECT_FALSE(IsOn(GL_TEXTURE_GEN_S));
  glActiveTexture(GL_TEXTURE0);
  d3Global().envMap = nullptr;
  envMap->Detach();
}

TEST_F(Painting, GeometryOnlyAndFalseColours) {
  DGeode geode("modes.dof");
  Textured(geode, Picture("red.tga", QColor(255, 0, 0)));
  Textured(geode, Picture("blue.tga", QColor(0, 0, 255)));
  // Two bursts of other material numbers: left and right.
  std::vector<float> vertices = Square(0, 0, 32, 64), normals = kFacing;
  std::vector<float> right = Square(32, 0, 64, 64);
  vertices.insert(vertices.end(), right.begin(), right.end());
  normals.insert(normals.end(), kFacing.begin(), kFacing.end());
  DGeob *left = AddGeob(geode, Gob1({Vert(vertices), Norm(normals), Indi({0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7}),
                                     Brst({0, 18}, {18, 18}, {0, 1}, {3, 3})}));

  geode.SetGeometryOnly(true);
  glDisable(GL_TEXTURE_2D);
  geode.Paint();
  EXPECT_EQ(window.Pixel(16, 32), (Pixel{255, 255, 255, 255}));  // no material: the current colour
  geode.SetGeometryOnly(false);

  geode.SetFalseColors(true);
  LightFromTheFront();
  left->Paint();
  const Pixel a = window.Pixel(16, 32), b = window.Pixel(48, 32);
  EXPECT_NE(a, b);
  EXPECT_FALSE(IsOn(GL_TEXTURE_2D));
}

TEST_F(Painting, ModelFileWithItsTexturesAndBlendedBurstsPaintedTwice) {
  // Textures from the search path; one that is nowhere becomes the stub.
  dir.MakeDir("maps");
  QBitMap wall(32, 4, 4), glass(32, 4, 4);
  for (int i = 0; i < 16; ++i) {
    wall.SetPixel(i % 4, i / 4, QColor(200, 0, 0));
    glass.SetPixel(i % 4, i / 4, QColor(0, 255, 0, 128));
  }
  wall.Write(dir.Path("maps/wall.tga").c_str(), QBM_FORMAT_TGA);
  glass.Write(dir.Path("maps/glass.tga").c_str(), QBM_FORMAT_TGA);
  d3Global().path.Add(dir.Path("maps").c_str());
  // Lower half: the wall left, the missing map right; upper half: glass
  // over the wall.
  const auto square = [](int material, std::vector<float> corners) {
    return Gob1({Ghdr(0, 0, material), Indi(kSquare), Vert(corners), Tver(kCorners), Brst({0}, {18}, {0}, {3})});
  };
  const std::string walls = square(0, Square(0, 0, 32, 64)), stub = square(1, Square(32, 0, 64, 32));
  const std::string pane = square(2, Square(0, 32, 32, 64));
  dir.WriteFile("house.dof", Dof1({Mats({WrittenMaterial("wall", {"wall.tga"}), WrittenMaterial("gone", {"gone.tga"}),
                                         WrittenMaterial("glass", {"glass.tga"}, {}, 1)}),
                                   Geob({walls, stub, pane})}));
  std::unique_ptr<DGeode> house(d3LoadModel(dir.Path("house.dof").c_str()));
  ASSERT_TRUE(house);
  EXPECT_NE(capture.Take().find("can't load 'gone.tga'; creating red/blue stub image"), std::string::npos);
  glDisable(GL_LIGHTING);
  glDepthFunc(GL_LEQUAL);
  house->Paint();
  const Pixel wallColour = window.Pixel(16, 16);
  EXPECT_EQ(wallColour[1], 0);
  EXPECT_GT(wallColour[0], 0);
  // The stub's two colours, a quarter of the square each.
  EXPECT_NE(window.Pixel(40, 8), window.Pixel(56, 8));
  EXPECT_EQ(window.Pixel(40, 8), window.Pixel(56, 24));
  // Glass at half alpha over the wall, once in each pass: a quarter of the
  // wall's red stays.
  const Pixel glazed = window.Pixel(16, 48);
  EXPECT_NEAR(glazed[0], wallColour[0] * 127 / 255 * 127 / 255, 2);
  EXPECT_GT(glazed[1], 180);
  d3Global().path.Clear();
}

TEST_F(Painting, BatchPaintsOpaqueGroupsThenTransparentOnesAndRestoresTheState) {
  // A BMP key-coloured left half, green right half: a transparent texture.
  QBitMap keyed(32, 4, 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) keyed.SetPixel(x, y, x < 2 ? QColor(255, 0, 255) : QColor(0, 255, 0));
  }
  // Written as 24-bit BMP by its layout: rows bottom first, blue green red.
  kiln::test::ByteWriter bmp;
  bmp.Text("BM").LE32(54 + 48).LE32(0).LE32(54).LE32(40).LE32(4).LE32(4).LE16(1).LE16(24).LE32(0).Fill(20);
  for (int row = 0; row < 4; ++row) {
    for (int x = 0; x < 4; ++x) {
      if (x < 2) bmp.U8(255).U8(0).U8(255);
      else bmp.U8(0).U8(255).U8(0);
    }
  }
  dir.WriteFile("keyed.bmp", bmp.Bytes());

  DGeode opaque("opaque.dof"), seeThrough("keyed.dof");
  Textured(opaque, Picture("red.tga", QColor(255, 0, 0)));
  Textured(seeThrough, dir.Path("keyed.bmp"));
  AddGeob(opaque, Gob1({Vert(Square(0, 0, 32, 64)), Tver(kCorners), Indi(kSquare), Brst({0}, {18}, {0}, {3})}));
  AddGeob(seeThrough, Gob1({Vert(Square(32, 0, 64, 64)), Tver(kCorners), Indi(kSquare), Brst({0}, {18}, {0}, {3})}));

  DBatch batch;
  batch.Add(&opaque);
  batch.Add(&seeThrough);
  EXPECT_EQ(batch.GetGroupCount(), 2);
  EXPECT_EQ(batch.GetEntryCount(), 2);
  EXPECT_TRUE(batch.HasTransparent());
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  const GLenum capabilities[] = {GL_BLEND, GL_ALPHA_TEST, GL_CULL_FACE, GL_LIGHTING, GL_DEPTH_TEST, GL_TEXTURE_2D};
  std::vector<bool> before;
  for (GLenum capability : capabilities) before.push_back(IsOn(capability));
  batch.Paint();
  EXPECT_EQ(window.Pixel(16, 32), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(window.Pixel(40, 32), (Pixel{0, 0, 0, 255}));  // key colour: not drawn
  EXPECT_EQ(window.Pixel(56, 32), (Pixel{0, 255, 0, 255}));
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(IsOn(capabilities[i]), before[i]) << i;
  EXPECT_EQ(batch.GetEntryCount(), 0);

  // 500 entries at most; 200 groups at most.
  DGeode many("many.dof");
  Textured(many, dir.Path("red.tga"));
  std::vector<int32_t> starts(100, 0), counts(100, 18), materials(100, 0), perPolygon(100, 3);
  AddGeob(many, Gob1({Vert(Square(0, 0, 1, 1)), Indi(kSquare), Brst(starts, counts, materials, perPolygon)}));
  capture.Take();
  for (int i = 0; i < 5; ++i) batch.Add(&many);
  EXPECT_EQ(capture.Take(), "");
  batch.Add(&many);
  EXPECT_EQ(capture.Take(), "DBatch rendering overflow (max geob=500)\n");
  EXPECT_EQ(batch.GetEntryCount(), 500);
  batch.Reset();
  for (std::uintptr_t key = 1; key <= 200; ++key) EXPECT_EQ(batch.FindGroup(reinterpret_cast<DTexture *>(key)), key - 1);
  EXPECT_EQ(batch.FindGroup(reinterpret_cast<DTexture *>(201)), -1);
  EXPECT_EQ(batch.FindGroup(reinterpret_cast<DTexture *>(7)), 6);
}

}  // namespace
