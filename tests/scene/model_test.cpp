// Model files: "DOF1" containers built by hand, read and written back byte
// for byte, damaged; levels of detail on disk and in an archive; copies of
// geodes; the drawing helpers.
#include <gtest/gtest.h>

#include <kiln/ddrawing.h>
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dtexture.h>
#include <kiln/qarchive.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qfile.h>
#include <kiln/qglcontext.h>

#include <GL/gl.h>
#include <X11/Xutil.h>

#include <cmath>
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
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

class Models : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    QBitMap picture(32, 2, 2);
    picture.Write(dir.Path("hull.tga").c_str(), QBM_FORMAT_TGA);
    capture.Take();
  }

  std::unique_ptr<DGeode> Import(const std::string &bytes) {
    dir.WriteFile("ship.dof", bytes);
    QFile file(dir.Path("ship.dof").c_str(), QFile::READ);
    auto geode = std::make_unique<DGeode>("ship.dof");
    geode->SetPath(dir.path().c_str());
    if (!geode->ImportDOF(&file)) return nullptr;
    return geode;
  }

  std::string Export(const DGeode &geode) {
    {
      QFile file(dir.Path("out.dof").c_str(), QFile::WRITE);
      EXPECT_TRUE(geode.ExportDOF(&file));
    }
    return ReadFile(dir.Path("out.dof"));
  }

  // A model as the library writes it: two materials, three geobs.
  static std::string Canonical() {
    return Dof1({Mats({WrittenMaterial("hull", {"hull.tga"}), WrittenMaterial("deck", {})}),
                 Geob({Triangle(0), Triangle(1, 5), Triangle(0, -5)})});
  }

  GLWindow window{64, 64};
  TempDir dir;
  MessageCapture capture;
};

TEST_F(Models, WrittenBackByteForByte) {
  auto model = Import(Canonical());
  ASSERT_TRUE(model) << capture.Take();
  EXPECT_EQ(Export(*model), Canonical());
  EXPECT_EQ(model->GetMaterialCount(), 2);
  EXPECT_EQ(model->GetGeobCount(), 3);
  EXPECT_EQ(model->GetMaterial(2), nullptr);
  EXPECT_EQ(model->GetMaterial(-1), nullptr);
  EXPECT_EQ(model->FindMaterial("deck"), model->GetMaterial(1));
  DBox box;
  model->GetBoundingBox(&box);
  EXPECT_EQ(box.min, DVector3(-5, 0, 0));
  EXPECT_EQ(box.max, DVector3(6, 1, 0));

  // Unknown chunks are skipped; a tag of zeros ends the file with what was read.
  auto unknown = Import(Dof1({Mats({WrittenMaterial("hull", {})}), Chunk("XTRA", "1234"), Geob({Triangle(0)})}));
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->GetGeobCount(), 1);
  EXPECT_NE(capture.Take().find("Skipping unknown geode chunk 'XTRA' of length 0x4 (in ship.dof)\n"), std::string::npos);
  auto zeros = Import(Chunk("DOF1", Mats({WrittenMaterial("hull", {})}) + std::string(8, '\0') + Geob({Triangle(0)})));
  ASSERT_TRUE(zeros);
  EXPECT_EQ(zeros->GetMaterialCount(), 1);
  EXPECT_EQ(zeros->GetGeobCount(), 0);
  EXPECT_NE(capture.Take().find("Empty chunk id in geode 'ship.dof'"), std::string::npos);

  // A memory file takes no writes: the export fails.
  QFile memory("memory.dof", const_cast<char *>("x"), 1);
  EXPECT_FALSE(model->ExportDOF(&memory));
}

TEST_F(Models, TablesBeyondTheirRoom) {
  std::vector<std::string> geobs(201, Triangle(0));
  auto many = Import(Dof1({Mats({WrittenMaterial("m", {})}), Geob(geobs)}));
  ASSERT_TRUE(many);
  EXPECT_EQ(many->GetGeobCount(), 200);
  const std::string messages = capture.Take();
  EXPECT_NE(messages.find("Geode contains 201 geobs but max=200"), std::string::npos);
  EXPECT_NE(messages.find("Skipping unknown geode chunk 'GOB1'"), std::string::npos);
  std::vector<std::string> materials(1001, Mat0({}));
  auto materialRich = Import(Dof1({Mats(materials)}));
  ASSERT_TRUE(materialRich);
  EXPECT_EQ(materialRich->GetMaterialCount(), 1000);
  EXPECT_NE(capture.Take().find("Geode contains 1001 materials but max=1000"), std::string::npos);
}

TEST_F(Models, DamageFailsCleanly) {
  const std::string good = Canonical();
  EXPECT_FALSE(Import("DOF0" + good.substr(4)));
  const std::string damaged[] = {
      Dof1({Chunk("XTRA", "").substr(0, 4) + Ints({-12})}),        // a negative length
      Dof1({Chunk("XTRA", "").substr(0, 4) + Ints({1 << 30})}),    // a length past the file
      Dof1({Chunk("MATS", Ints({-1}))}),                           // a negative count
      Dof1({Chunk("GEOB", Ints({5000}))}),                         // more geobs than the chunk can hold
  };
  for (const std::string &bytes : damaged) {
    EXPECT_FALSE(Import(bytes));
    EXPECT_NE(capture.Take().find("DGeode:ImportDOF(ship.dof); damaged"), std::string::npos);
  }
  // A cut inside a chunk is damage; a cut between chunks loads, with a warning.
  const std::size_t geobStart = good.find("GEOB");
  EXPECT_FALSE(Import(good.substr(0, geobStart + 30)));
  auto cut = Import(good.substr(0, geobStart));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->GetMaterialCount(), 2);
  EXPECT_NE(capture.Take().find("the file ends without its 'EDOF' chunk"), std::string::npos);
  for (const std::string &bytes : Cuts(good)) Import(bytes);  // never a crash
}

TEST_F(Models, LevelsOnDiskAndInAnArchive) {
  dir.MakeDir("cars/a");
  dir.WriteFile("cars/a/body.dof", Dof1({Mats({Mat0({})}), Geob({Triangle(0, 10)})}));
  dir.WriteFile("cars/a/body_lod1.dof", Dof1({Mats({Mat0({})}), Geob({Triangle(0, 100)})}));
  dir.WriteFile("cars/a/body_lod2.dof", Dof1({Mats({Mat0({})}), Geob({Triangle(0, 200)})}));
  dir.WriteFile("cars/a/body_lod4.dof", Dof1({}));  // after a gap: never asked for
  const float distances[] = {0, 50, 100};
  d3Global().lodScale = 2;
  std::unique_ptr<DGeode> model(d3LoadModel(dir.Path("cars/a/body.dof").c_str(), nullptr, distances, 1000));
  d3Global().lodScale = 1;
  ASSERT_TRUE(model);
  EXPECT_STREQ(model->GetPath(), dir.Path("cars/a").c_str());
  ASSERT_NE(model->GetLevel(2), nullptr);
  EXPECT_EQ(model->GetLevel(3), nullptr);
  EXPECT_EQ(model->GetLevel(0), model.get());
  EXPECT_FLOAT_EQ(model->lodFar, 100);
  EXPECT_FLOAT_EQ(model->GetLevel(1)->lodNear, 100);
  EXPECT_FLOAT_EQ(model->GetLevel(1)->lodFar, 200);
  EXPECT_FLOAT_EQ(model->GetLevel(2)->lodFar, 2000);
  EXPECT_EQ(model->GetLevel(2)->lodIndex, 2);
  EXPECT_FLOAT_EQ(model->GetLevel(2)->GetCenter()[0], model->GetCenter()[0]);  // one centre for all
  EXPECT_FLOAT_EQ(model->GetCenter()[0], 10.5f);
  model->SetGeobFlag1(true);
  EXPECT_TRUE(model->GetLevel(2)->GetGeob(0)->flags & DGOB_APP_1);

  // Not on disk: from the archive, under the model's path.
  {
    QArchive archive(dir.Path("models.ar").c_str(), AR_CREATE);
    dir.WriteFile("packed.dof", Dof1({Mats({WrittenMaterial("hull", {})}), Geob({Triangle(0)})}));
    ASSERT_TRUE(archive.AddFile(dir.Path("packed.dof").c_str(), "wheel.dof"));
  }
  QArchive archive(dir.Path("models.ar").c_str(), AR_READ);
  std::unique_ptr<DGeode> wheel(d3LoadModel(dir.Path("cars/a/wheel.dof").c_str(), &archive, nullptr, 500, false));
  ASSERT_TRUE(wheel);
  EXPECT_EQ(wheel->GetGeobCount(), 1);
  capture.Take();
  EXPECT_EQ(d3LoadModel(dir.Path("cars/a/nowhere.dof").c_str(), &archive), nullptr);
  EXPECT_EQ(capture.Take(), "Can't import DOF '" + dir.Path("cars/a/nowhere.dof") +
                                "'\nHighest LOD failed to load; skipping model\n");
}

TEST_F(Models, CopiesHaveTheirOwnMaterialsAndShareTheRest) {
  auto source = Import(Canonical());
  ASSERT_TRUE(source);
  DTexture *hull = source->GetMaterial(0)->GetTexture(0);
  const int held = hull->GetRefCount();
  {
    DGeode copy(*source);
    EXPECT_EQ(copy.GetLevel(0), &copy);
    EXPECT_NE(copy.GetMaterial(0), source->GetMaterial(0));
    EXPECT_EQ(hull->GetRefCount(), held + 1);
    EXPECT_EQ(copy.GetGeob(0)->GetVertices(), source->GetGeob(0)->GetVertices());
    EXPECT_EQ(copy.GetGeob(0)->GetBurstMaterial(0), copy.GetMaterial(0));
    copy.Paint();
  }
  EXPECT_EQ(hull->GetRefCount(), held);
  EXPECT_FLOAT_EQ(source->GetGeob(1)->GetVertices()[0], 5);  // the source's arrays live on
}

TEST_F(Models, DrawingHelpers) {
  DVector3 turned;
  d3RotateAroundAxis(DVector3(1, 0, 0), 3.14159265f / 2, DVector3(0, 0, 0), DVector3(0, 0, 2), &turned);
  EXPECT_NEAR(turned.x, 0, 1e-6);
  EXPECT_NEAR(turned.y, 1, 1e-6);
  d3RotateAroundAxis(DVector3(3, 4, 5), 1, DVector3(1, 1, 1), DVector3(1, 1, 1.000001f), &turned);
  EXPECT_EQ(turned, DVector3(3, 4, 5));  // no axis to turn about
  d3Fade(10);                            // under one step: nothing

  // A fade ends in black on the application's canvas, shown on the window.
  auto shown = [&] {
    XImage *image = XGetImage(kiln::test::TestDisplay(), window.GetXWindow(), 32, 32, 1, 1, AllPlanes, ZPixmap);
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return pixel & 0xffffff;
  };
  glClearColor(1, 1, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  window.Context()->Swap();
  EXPECT_EQ(shown(), 0xffffffu);
  d3Fade(40);
  EXPECT_EQ(shown(), 0u);

  // A sphere seen from anywhere is a disc of the expected area.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 64, 0, 64, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glColor3f(1, 1, 1);
  d3DrawSphere(32, 32, 0, 20, 48);
  const std::vector<uint8_t> pixels = window.ReadPixels(0, 0, 64, 64);
  int lit = 0;
  for (std::size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] > 0;
  EXPECT_NEAR(lit, 3.14159265 * 20 * 20, 40);
  EXPECT_EQ(d3DrawEllipsoid(DVector3(0, 0, 0), DVector3(1, 2, 3), 10), 5);
}

}  // namespace
