// Geometry: "GOB1" chunks built by hand, read, repaired, written back byte
// for byte, damaged; edits, bounds and buffer objects.
#define GL_GLEXT_PROTOTYPES
#include <gtest/gtest.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/qfile.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <memory>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;

namespace {

const std::vector<float> kQuad = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};  // four vertices
const std::vector<uint16_t> kTwoTriangles = {0, 1, 2, 2, 1, 3};

std::string FullGeob() {
  return Gob1({Ghdr(6, 77, 0), Indi(kTwoTriangles), Vert(kQuad), Tver({0, 0, 1, 0, 0, 1, 1, 1}),
               Norm({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), Vcol({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1}),
               Brst({0}, {18}, {0}, {3})});
}

class Geobs : public ::testing::Test {
protected:
  std::unique_ptr<DGeob> Import(const std::string &bytes) {
    dir.WriteFile("in.dof", bytes);
    QFile file(dir.Path("in.dof").c_str(), QFile::READ);
    auto geob = std::make_unique<DGeob>(&geode);
    if (!geob->ImportDOF(&file)) return nullptr;
    EXPECT_EQ(file.Tell(), static_cast<long>(bytes.size()));
    return geob;
  }

  std::string Export(const DGeob &geob) {
    {
      QFile file(dir.Path("out.dof").c_str(), QFile::WRITE);
      EXPECT_TRUE(geob.ExportDOF(&file));
    }
    return ReadFile(dir.Path("out.dof"));
  }

  TempDir dir;
  DGeode geode{"ship.dof"};
  MessageCapture capture;
};

TEST_F(Geobs, WrittenBackByteForByteWhateverTheOrderRead) {
  const std::string written = FullGeob();
  auto geob = Import(written);
  ASSERT_TRUE(geob);
  EXPECT_EQ(Export(*geob), written);
  EXPECT_EQ(geob->flags, 6);
  EXPECT_EQ(geob->headerWord, 77);
  EXPECT_EQ(geob->GetVertexCount(), 4);
  EXPECT_EQ(geob->GetIndexCount(), 6);
  EXPECT_FLOAT_EQ(geob->GetVColors()[3 * 3 + 1], 1);
  EXPECT_FLOAT_EQ(geob->radius, std::sqrt(2.0f) / 2);
  EXPECT_FLOAT_EQ(geob->center[0], 0.5f);

  auto shuffled = Import(Gob1({Brst({0}, {18}, {0}, {3}), Vcol({1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 1}),
                               Chunk("XTRA", "abc"), Norm({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}),
                               Tver({0, 0, 1, 0, 0, 1, 1, 1}), Vert(kQuad), Indi(kTwoTriangles), Ghdr(6, 77, 0)}));
  ASSERT_TRUE(shuffled);
  EXPECT_EQ(Export(*shuffled), written);
  EXPECT_EQ(capture.Take(), "Skipping unknown geob chunk 'XTRA' of length 0x3 (geode ship.dof)\n");

  // Without the optional arrays, none is written.
  const std::string bare = Gob1({Ghdr(0, 0, 0), Indi(kTwoTriangles), Vert(kQuad), Brst({0}, {18}, {0}, {3})});
  auto plain = Import(bare);
  ASSERT_TRUE(plain);
  EXPECT_EQ(Export(*plain), bare);
  EXPECT_EQ(plain->GetNormals(), nullptr);
}

TEST_F(Geobs, ShortArraysArePaddedAfterTheWholeChunk) {
  // Two texture coordinates for four vertices, read before the vertices.
  const std::string written =
      Gob1({Ghdr(0, 0, 0), Indi(kTwoTriangles), Vert(kQuad), Tver({0.5f, 0.5f, 1, 1}), Brst({0}, {18}, {0}, {3})});
  auto geob = Import(Gob1({Tver({0.5f, 0.5f, 1, 1}), Ghdr(0, 0, 0), Indi(kTwoTriangles), Vert(kQuad),
                           Brst({0}, {18}, {0}, {3})}));
  ASSERT_TRUE(geob);
  EXPECT_EQ(capture.Take(), "Geode ship.dof doesn't have enough tvertices (2, need 4)\n");
  EXPECT_EQ(geob->GetTVertexCount(), 2);
  EXPECT_FLOAT_EQ(geob->GetTVertices()[2], 1);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(geob->GetTVertices()[i], 0) << i;
  EXPECT_EQ(Export(*geob), written);  // the file's own number of entries
}

TEST_F(Geobs, RepairsOfIndicesEmptyChunksAndBursts) {
  auto geob = Import(Gob1({Vert(kQuad), Indi({0, 1, 4}), Brst({0}, {9}, {0}, {3})}));
  ASSERT_TRUE(geob);
  EXPECT_EQ(capture.Take(), "Geode ship.dof has bad indices in geob (index[2]=4>4 vertices.\n");
  EXPECT_EQ(geob->GetIndices()[2], 0);

  auto empty = Import(Gob1({Vert({}), Indi({}), Indi({}), Vert({})}));
  ASSERT_TRUE(empty);
  EXPECT_EQ(capture.Take(),
            "Geode ship.dof has empty vertex (VERT) chunk; better to remove it.\n"
            "Geode ship.dof has empty index geob; better to remove it.\n"
            "Geode ship.dof has empty index geob; better to remove it.\n"
            "Geode ship.dof has empty vertex (VERT) chunk; better to remove it.\n");
  EXPECT_EQ(empty->GetVertexCount(), 0);
  ASSERT_NE(empty->GetVertices(), nullptr);  // one whole vertex to point at
  DBox box;
  empty->GetBoundingBox(&box);
  EXPECT_EQ(box.max, DVector3());

  // More than 100 bursts: the first 100 of each of the four arrays. A burst
  // beyond the indices is reported and never drawn.
  std::vector<int32_t> starts(101), counts(101, 9), materials(101), perPolygon(101, 3);
  for (int i = 0; i < 101; ++i) starts[i] = 9 * (i % 2);
  counts[99] = 900;
  auto many = Import(Gob1({Vert(kQuad), Indi(kTwoTriangles), Brst(starts, counts, materials, perPolygon)}));
  ASSERT_TRUE(many);
  EXPECT_EQ(many->GetBurstCount(), 100);
  EXPECT_EQ(many->burstStart[99], 9);
  EXPECT_EQ(many->burstVperP[99], 3);
  EXPECT_EQ(capture.Take(), "Geode ship.dof has a burst (99) beyond its 6 indices; it is not drawn\n");
  int first, count;
  EXPECT_TRUE(many->GetBurstRange(1, &first, &count));
  EXPECT_EQ(first, 3);
  EXPECT_EQ(count, 3);
  EXPECT_FALSE(many->GetBurstRange(99, &first, &count));
  many->burstVperP[0] = 0;
  EXPECT_FALSE(many->GetBurstRange(0, &first, &count));
}

TEST_F(Geobs, EditsAndBounds) {
  auto geob = Import(FullGeob());
  ASSERT_TRUE(geob);
  geob->FlipFaces(0);
  EXPECT_EQ(std::vector<uint16_t>(geob->GetIndices(), geob->GetIndices() + 6), (std::vector<uint16_t>{0, 2, 1, 2, 3, 1}));
  EXPECT_EQ(capture.Take(), "DGeob:FlipFaces(); i0=0, n=2\n0, 1, 2 -> 0, 2, 1\n2, 1, 3 -> 2, 3, 1\n");
  geob->FlipFaces(-1);
  geob->FlipFaces(7);
  EXPECT_EQ(capture.Take(), "DGeob:FlipFaces(-1) NYI\nDGeob:FlipFaces(7); no such burst of triangles\n");

  geob->ScaleVertices(0, 1, 1);
  EXPECT_EQ(capture.Take(), "");
  geob->ScaleVertices(0, 0, 0);
  EXPECT_EQ(capture.Take(), "DGeob:ScaleVertices() scaling by 0; model will be invisible\n");

  // Geometry far from the origin is boxed from its first vertex on, and a
  // geob without vertices stays out of the geode's box.
  auto far = Import(Gob1({Indi({0, 1, 2}), Vert({200000, 5, 5, 200001, 6, 5, 200000, 6, 7}), Brst({0}, {9}, {0}, {3})}));
  ASSERT_TRUE(far);
  far->Translate(1, 0, 0);
  far->Rotate(0);
  DBox box;
  far->GetBoundingBox(&box);
  EXPECT_EQ(box.min, DVector3(200001, 5, 5));
  EXPECT_EQ(box.max, DVector3(200002, 6, 7));
  DGeode model("far.dof");
  model.AddGeob(new DGeob(&model));
  model.AddGeob(far.release());
  model.GetBoundingBox(&box);
  EXPECT_EQ(box.min, DVector3(200001, 5, 5));
  EXPECT_FLOAT_EQ(model.GetCenter()[0], 200001.5f);

  auto turned = Import(FullGeob());
  turned->Rotate(3.14159265f / 2);  // about y: (1, 0, 0) goes to (0, 0, -1)
  EXPECT_NEAR(turned->GetVertices()[3], 0, 1e-6);
  EXPECT_NEAR(turned->GetVertices()[5], -1, 1e-6);
  EXPECT_TRUE(geob->CheckIndices());
  geob->FreeNormals();
  EXPECT_EQ(geob->GetNormals(), nullptr);
}

TEST_F(Geobs, BurstMaterialsClampToTheGeodesTables) {
  DGeode model("m.dof");
  auto geob = std::make_unique<DGeob>(&model);
  EXPECT_EQ(geob->GetBurstMaterial(0), nullptr);
  auto *plain = new DMaterial, *parent = new DMaterial;
  model.AddMaterial(plain);
  model.AddMaterial(parent);
  geob->materialID = 5;  // clamped to the last
  EXPECT_EQ(geob->GetBurstMaterial(0), parent);
  geob->materialID = -3;
  EXPECT_EQ(geob->GetBurstMaterial(9), plain);
}

TEST_F(Geobs, DamageFailsCleanly) {
  const std::string good = FullGeob();
  for (const std::string &cut : Cuts(good)) EXPECT_FALSE(Import(cut)) << cut.size() << " bytes";
  capture.Take();
  const std::string damaged[] = {
      WithLength(good, 4, -1),                               // a negative chunk length
      WithLength(good, 4, 0x7FFFFFF0),                       // a length past the file
      Gob1({Chunk("VERT", Ints({-5}))}),                     // a negative count
      Gob1({Chunk("VERT", Ints({100000000}))}),              // 1.2 GB asked of a tiny file
      Gob1({Chunk("INDI", Ints({3}) + std::string(4, 0))}),  // three indices in four bytes
      Gob1({Chunk("BRST", Ints({0x10000000}))}),             // n × 16 beyond 32 bits
      Gob1({Chunk("GHDR", Ints({1}))}),                      // a header cut short
      WithLength(Gob1({Ghdr(0, 0, 0)}), 4, 10),              // a sub-chunk past its chunk
      Chunk("GOB1", Ghdr(0, 0, 0)) + Gob1({}),               // no "GEND": the next chunk is not swallowed
  };
  for (const std::string &bytes : damaged) {
    EXPECT_FALSE(Import(bytes));
    EXPECT_NE(capture.Take().find("DGeob:ImportDOF(ship.dof); damaged"), std::string::npos);
  }
  // A skip length pointing backwards.
  EXPECT_FALSE(Import(Chunk("GOB1", std::string("XTRA") + Ints({-100}) + "GEND")));
  EXPECT_NE(capture.Take().find("damaged 'XTRA' chunk"), std::string::npos);

  // An old "GOB0" chunk is stepped over and refused.
  dir.WriteFile("old.dof", Chunk("GOB0", "twelve bytes") + FullGeob());
  QFile file(dir.Path("old.dof").c_str(), QFile::READ);
  DGeob old(&geode);
  EXPECT_FALSE(old.ImportDOF(&file));
  EXPECT_TRUE(old.ImportDOF(&file));
}

TEST_F(Geobs, ExportToAFullDiskFails) {
  std::vector<float> many(3 * 3000, 1.0f);
  auto geob = Import(Gob1({Vert(many), Indi({0, 1, 2}), Brst({0}, {9}, {0}, {3})}));
  ASSERT_TRUE(geob);
  kiln::test::SmallFileSystem small(dir.Path("small"), "16k");
  if (!small.IsMounted()) GTEST_SKIP() << "needs root to mount a small file system";
  QFile file((small.path() + "/full.dof").c_str(), QFile::WRITE);
  EXPECT_FALSE(geob->ExportDOF(&file));
}

TEST_F(Geobs, BufferObjectsAreMadeOnce) {
  kiln::test::GLWindow window(16, 16);
  if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
  auto geob = Import(FullGeob());
  ASSERT_TRUE(geob);
  geob->EnableVBO();
  const unsigned vertexBuffer = geob->GetBuffers()[0];
  ASSERT_TRUE(glIsBuffer(vertexBuffer));
  GLint size = 0;
  glBindBuffer(GL_ARRAY_BUFFER, geob->GetBuffers()[2]);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  EXPECT_EQ(size, 4 * 8);  // texture coordinates
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  geob->EnableVBO();
  EXPECT_EQ(geob->GetBuffers()[0], vertexBuffer);
  EXPECT_TRUE(geob->flags & DGOB_VBO);
  geob->DisableVBO();
  EXPECT_FALSE(geob->flags & DGOB_VBO);
}

}  // namespace
