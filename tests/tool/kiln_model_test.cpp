// Runs the real kiln-model program on models and shader files.
#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "test_support.h"

using namespace kiln::test::dof;
using kiln::test::ProcessResult;
using kiln::test::TempDir;

namespace {

class KilnModelTest : public ::testing::Test {
protected:
  ProcessResult Run(const std::vector<std::string> &args) { return kiln::test::RunTool(KILN_MODEL_PATH, args, dir.path()); }

  TempDir dir;
};

TEST_F(KilnModelTest, ChecksAModelWithItsLevels) {
  dir.WriteFile("body.dof", Dof1({Mats({WrittenMaterial("paint", {}), WrittenMaterial("glass", {})}),
                                  Geob({Triangle(0), Triangle(1, 4)})}));
  dir.WriteFile("body_lod1.dof", Dof1({Mats({WrittenMaterial("paint", {})}), Geob({Triangle(0)})}));
  ProcessResult run = Run({"check", "body.dof"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "body.dof: 2 levels\n"
            "  level 0 body.dof: from 0 to 0, 2 materials, 2 geobs, 6 vertices, 2 triangles\n"
            "    material paint: no textures\n"
            "    material glass: no textures\n"
            "  level 1 body_lod1.dof: from 0 to 99999, 1 materials, 1 geobs, 3 vertices, 1 triangles\n"
            "    material paint: no textures\n");

  // An index beyond the vertices, an unknown chunk, a missing texture: each
  // said, status 1.
  const std::string stray = Gob1({Ghdr(0, 0, 0), Indi({0, 1, 7}), Vert({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                                  Brst({0}, {9}, {0}, {3})});
  dir.WriteFile("bad.dof", Dof1({Mats({WrittenMaterial("paint", {"rust.tga"})}), Chunk("XTRA", ""), Geob({stray})}));
  run = Run({"check", "bad.dof"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Skipping unknown geode chunk 'XTRA'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("has bad indices in geob (index[2]=7>3 vertices"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("can't load 'rust.tga'"), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("material paint: rust.tga"), std::string::npos);

  run = Run({"check", "none.dof"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Can't import DOF 'none.dof'\nHighest LOD failed to load; skipping model\n"
                     "kiln-model: can't load 'none.dof'\n");
}

TEST_F(KilnModelTest, ListsShadersWithTheirWarnings) {
  dir.WriteFile("sky.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\40\10", 18) + std::string("\377\0\0\377", 4));
  dir.WriteFile("good.shd", "shader_sky\n{\nsky=1\nlayer0\n{\nmap=sky.tga\n}\nlayer1\n{\nmap=sky.tga\nblendfunc=add\n}\n}\n");
  ProcessResult run = Run({"shaders", "good.shd"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "sky: 2 layers, sort key 300\n  layer 0: sky.tga\n  layer 1: sky.tga\n");

  dir.WriteFile("bad.shd", "shader_glow\n{\nlayer0\n{\nmap=$cubemap0\nblendfunc=one\n}\n}\nshader_none\n{\n}\n");
  run = Run({"shaders", "bad.shd"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "glow: 1 layer, sort key 300\n  layer 0: $cubemap0 (no texture)\nnone: 0 layers, sort key 300\n");
  EXPECT_EQ(run.err,
            "DShaderLoader: could not resolve $cubemap0 (for glow)\n"
            "Bad blendfunc; need source & dest parameter (shader_glow.layer0.blendfunc=one)\n"
            "Shader none: no layers defined (need map)\n");
}

TEST_F(KilnModelTest, Usage) {
  ProcessResult run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("kiln-model check FILE.dof"), std::string::npos);
  EXPECT_EQ(Run({"inspect", "x"}).status, 2);
  EXPECT_EQ(Run({}).status, 2);
}

// Every command on a machine without X (check and shaders in an offscreen
// context) gives what it gives under the X server: the same status,
// output, messages and files.
TEST_F(KilnModelTest, EveryCommandGivesTheSameWithoutADisplay) {
  ASSERT_NE(getenv("DISPLAY"), nullptr) << "run under xvfb-run";
  const std::string wood = std::string("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\1\0\40\10", 18) + "\200\100\40\377\40\100\200\377";
  for (const std::string side : {"x", "none"}) {
    dir.MakeDir(side + "/out");
    dir.WriteFile(side + "/wood.tga", wood);
    dir.WriteFile(side + "/crate.dof", Dof1({Mats({WrittenMaterial("wood", {"wood.tga"}), WrittenMaterial("rust", {"rust.tga"})}),
                                             Geob({Triangle(0), Triangle(1, 2)})}));
    dir.WriteFile(side + "/crate_lod1.dof", Dof1({Mats({WrittenMaterial("wood", {"wood.tga"})}), Geob({Triangle(0)})}));
    dir.WriteFile(side + "/crate.shd", "shader_wood\n{\nlayer0\n{\nmap=wood.tga\n}\nlayer1\n{\nmap=$cubemap0\n}\n}\n");
    dir.WriteFile(side + "/box.obj", "mtllib box.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                                     "usemtl Brick\nf 1/1 2/2 3/3 4/4\n");
    dir.WriteFile(side + "/box.mtl", "newmtl Brick\nKd 1 0.5 0\nmap_Kd Brick.png\n");
    ASSERT_EQ(kiln::test::RunTool("/usr/bin/convert", {"-size", "30x20", "xc:orange", "Brick.png"}, dir.Path(side)).status, 0);
  }
  const std::vector<std::vector<std::string>> commands = {
      {"check", "crate.dof"}, {"shaders", "crate.shd"}, {"info", "crate.dof"},
      {"export", "crate.dof", "out/crate.obj"}, {"import", "box.obj", "out/box.dof"}, {"info", "out/box.dof"}};
  for (const std::vector<std::string> &command : commands) {
    const ProcessResult x = kiln::test::RunTool(KILN_MODEL_PATH, command, dir.Path("x"));
    std::vector<std::string> unset = {"-u", "DISPLAY", KILN_MODEL_PATH};
    unset.insert(unset.end(), command.begin(), command.end());
    const ProcessResult none = kiln::test::RunTool("/usr/bin/env", unset, dir.Path("none"));
    EXPECT_EQ(none.status, x.status) << command[0] << ": " << none.err;
    EXPECT_EQ(none.out, x.out) << command[0];
    EXPECT_EQ(none.err, x.err) << command[0];
  }
  const std::vector<std::string> files = kiln::test::ListTree(dir.Path("x"));
  EXPECT_EQ(kiln::test::ListTree(dir.Path("none")), files);
  EXPECT_NE(std::find(files.begin(), files.end(), "out/brick.tga"), files.end());
  for (const std::string &file : files) {
    if (file.back() == '/') continue;
    EXPECT_TRUE(kiln::test::ReadFile(dir.Path("x/" + file)) == kiln::test::ReadFile(dir.Path("none/" + file))) << file;
  }
}

// A model written byte by byte: a textured triangle burst with normals and
// a quad burst of a sub-material, a short texture-coordinate array and an
// unknown chunk.
std::string Written() {
  const std::string geob =
      Gob1({Ghdr(0, 0, 0), Indi({0, 1, 2, 1, 3, 4, 2}), Vert({0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0.5f, 2, 1, 0.25f}),
            Norm({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}), Tver({0, 0, 1, 0, 0, 1}),
            Brst({0, 12}, {9, 16}, {0, 1}, {3, 4})});
  return Dof1({Mats({WrittenMaterial("paint", {}, {WrittenMaterial("chrome", {"rust.tga"}), WrittenMaterial("glass", {})})}),
               Chunk("XTRA", "abc"),
               Geob({geob})});
}

TEST_F(KilnModelTest, InfoTellsChunksMaterialsGeobsBoundsAndLevels) {
  const std::string bytes = Written();
  dir.WriteFile("car.dof", bytes);
  dir.WriteFile("car_lod1.dof", Dof1({Mats({WrittenMaterial("paint", {})}), Geob({Triangle(0)})}));
  ProcessResult run = Run({"info", "car.dof"});
  EXPECT_EQ(run.status, 0) << run.err;
  const std::size_t mats = bytes.find("MATS"), xtra = bytes.find("XTRA"), geob = bytes.find("GEOB");
  const std::string expected =
      "car.dof: " + std::to_string(bytes.size()) + " bytes\n" +
      "  chunk MATS at " + std::to_string(mats) + ": " + std::to_string(xtra - mats - 8) + " bytes\n" +
      "  chunk XTRA at " + std::to_string(xtra) + ": 3 bytes\n" +
      "  chunk GEOB at " + std::to_string(geob) + ": " + std::to_string(bytes.size() - 4 - geob - 8) + " bytes\n" +
      "  chunk EDOF at " + std::to_string(bytes.size() - 4) + "\n" +
      "  material 0 paint: no textures, 2 sub-materials\n"
      "  geob 0: 5 vertices, 2 polygons (1 triangle, 1 quad: 3 triangles), 2 bursts, arrays: normals uvs, material 0\n"
      "  bounds: (0, 0, 0) to (2, 1, 0.5), centre (1, 0.5, 0.25), radius 1.14564\n"
      "  level 1: car_lod1.dof, 1 geobs\n";
  EXPECT_EQ(run.out, expected);

  // Damage is told before the loader's messages.
  dir.WriteFile("cut.dof", bytes.substr(0, geob + 20));
  run = Run({"info", "cut.dof"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("  damaged: the 'GEOB' chunk at offset " + std::to_string(geob) + " runs past the end\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("kiln-model: can't load 'cut.dof'"), std::string::npos);
  run = Run({"info", "none.dof"});
  EXPECT_EQ(run.status, 1);
}

TEST_F(KilnModelTest, ExportWritesObjThatReadsBackExactly) {
  dir.WriteFile("car.dof", Written());
  ProcessResult run = Run({"export", "car.dof", "car.obj"});
  ASSERT_EQ(run.status, 0) << run.err;
  tinyobj::ObjReader reader;
  tinyobj::ObjReaderConfig config;
  config.triangulate = false;
  ASSERT_TRUE(reader.ParseFromFile(dir.Path("car.obj"), config)) << reader.Error();
  const auto &shapes = reader.GetShapes();
  ASSERT_EQ(shapes.size(), 1u);
  EXPECT_EQ(shapes[0].mesh.num_face_vertices, (std::vector<unsigned char>{3, 4}));
  const auto &attrib = reader.GetAttrib();
  EXPECT_EQ(attrib.vertices, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 2, 0, 0.5f, 2, 1, 0.25f}));
  std::vector<int> corners;
  for (const auto &index : shapes[0].mesh.indices) corners.push_back(index.vertex_index);
  EXPECT_EQ(corners, (std::vector<int>{0, 1, 2, 1, 3, 4, 2}));
  EXPECT_TRUE(attrib.texcoords.empty());  // too short to go with every vertex
  EXPECT_EQ(attrib.normals.size(), 15u);
  const auto &materials = reader.GetMaterials();
  ASSERT_EQ(materials.size(), 2u);
  EXPECT_EQ(materials[0].name, "chrome");
  EXPECT_EQ(materials[0].diffuse_texname, "rust.tga");
  EXPECT_EQ(materials[1].name, "glass");
  EXPECT_EQ(shapes[0].mesh.material_ids, (std::vector<int>{0, 1}));

  // Nowhere to write: status 1, nothing left behind.
  run = Run({"export", "car.dof", "missing/car.obj"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("kiln-model: can't write 'missing/car.obj'\n"), std::string::npos) << run.err;
  EXPECT_EQ(kiln::test::ListTree(dir.path()), (std::vector<std::string>{"car.dof", "car.mtl", "car.obj"}));
  EXPECT_EQ(Run({"export", "car.dof"}).status, 2);
}

// Geobs that differ in their arrays (both, normals only, texture
// coordinates only): each corner points at its own position, texture
// coordinate and normal, however many of each the geobs before wrote.
TEST_F(KilnModelTest, ExportNumbersEachKindOfLineByWhatWasWritten) {
  struct Part {
    bool uvs, normals;
  };
  const std::vector<Part> parts = {{true, true}, {false, true}, {true, false}};
  std::vector<std::string> geobs;
  for (std::size_t g = 0; g < parts.size(); ++g) {
    const float k = static_cast<float>(g);
    std::vector<std::string> chunks = {Ghdr(0, 0, 0), Indi({0, 1, 2}), Vert({k, 0, 0, k + 1, 0, 0, k, 1, 0})};
    if (parts[g].uvs) chunks.push_back(Tver({k / 10, 0.5f, k / 10 + 0.25f, 0.5f, k / 10, 0.75f}));
    if (parts[g].normals) chunks.push_back(Norm({0, k, 1, 0, k, 1, 0, k, 1}));
    chunks.push_back(Brst({0}, {9}, {0}, {3}));
    geobs.push_back(Gob1(chunks));
  }
  dir.WriteFile("parts.dof", Dof1({Mats({WrittenMaterial("paint", {})}), Geob(geobs)}));
  ProcessResult run = Run({"export", "parts.dof", "parts.obj"});
  ASSERT_EQ(run.status, 0) << run.err;
  tinyobj::ObjReader reader;
  ASSERT_TRUE(reader.ParseFromFile(dir.Path("parts.obj"))) << reader.Error();
  const auto &attrib = reader.GetAttrib();
  const auto &shapes = reader.GetShapes();
  ASSERT_EQ(shapes.size(), parts.size());
  for (std::size_t g = 0; g < parts.size(); ++g) {
    const float k = static_cast<float>(g);
    ASSERT_EQ(shapes[g].mesh.indices.size(), 3u) << g;
    for (std::size_t c = 0; c < 3; ++c) {
      const tinyobj::index_t &index = shapes[g].mesh.indices[c];
      const auto at = [](const std::vector<float> &values, int i, std::size_t width) {
        return std::vector<float>(values.begin() + static_cast<long>(i * width), values.begin() + static_cast<long>((i + 1) * width));
      };
      const std::vector<std::vector<float>> positions = {{k, 0, 0}, {k + 1, 0, 0}, {k, 1, 0}};
      const std::vector<std::vector<float>> uvs = {{k / 10, 0.5f}, {k / 10 + 0.25f, 0.5f}, {k / 10, 0.75f}};
      EXPECT_EQ(at(attrib.vertices, index.vertex_index, 3), positions[c]) << g << " " << c;
      if (parts[g].uvs) EXPECT_EQ(at(attrib.texcoords, index.texcoord_index, 2), uvs[c]) << g << " " << c;
      else EXPECT_EQ(index.texcoord_index, -1);
      if (parts[g].normals) EXPECT_EQ(at(attrib.normals, index.normal_index, 3), (std::vector<float>{0, k, 1})) << g;
      else EXPECT_EQ(index.normal_index, -1);
    }
  }
}

// The faces of an OBJ file as tinyobjloader reads them, untriangulated:
// corners of position and texture coordinate, each face from its smallest
// corner; and the material names.
using Corner = std::array<float, 5>;
using Face = std::vector<Corner>;
struct ObjContent {
  std::multiset<Face> faces;
  std::set<std::string> materials;
};

Face FromSmallest(Face face) {
  std::rotate(face.begin(), std::min_element(face.begin(), face.end()), face.end());
  return face;
}

ObjContent ReadObj(const std::string &path) {
  tinyobj::ObjReader reader;
  tinyobj::ObjReaderConfig config;
  config.triangulate = false;
  EXPECT_TRUE(reader.ParseFromFile(path, config)) << reader.Error();
  ObjContent content;
  const auto &attrib = reader.GetAttrib();
  for (const auto &shape : reader.GetShapes()) {
    std::size_t at = 0;
    for (const unsigned char size : shape.mesh.num_face_vertices) {
      Face face;
      for (std::size_t c = 0; c < size; ++c) {
        const auto &index = shape.mesh.indices[at + c];
        Corner corner{};
        for (std::size_t i = 0; i < 3; ++i) corner[i] = attrib.vertices[3 * static_cast<std::size_t>(index.vertex_index) + i];
        for (std::size_t i = 0; i < 2 && index.texcoord_index >= 0; ++i)
          corner[3 + i] = attrib.texcoords[2 * static_cast<std::size_t>(index.texcoord_index) + i];
        face.push_back(corner);
      }
      at += size;
      content.faces.insert(FromSmallest(face));
    }
  }
  for (const auto &material : reader.GetMaterials()) {
    std::string name = material.name;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    content.materials.insert(name);
  }
  return content;
}

// True when the triangles cover the faces exactly: each triangle a face's,
// each quad split along either diagonal.
bool SameSurface(const std::multiset<Face> &faces, std::multiset<Face> triangles) {
  const auto take = [&](std::initializer_list<Face> wanted) {
    std::vector<std::multiset<Face>::iterator> found;
    for (const Face &face : wanted) {
      auto it = triangles.find(FromSmallest(face));
      if (it == triangles.end()) return false;
      found.push_back(it);
    }
    for (auto it : found) triangles.erase(it);
    return true;
  };
  for (const Face &f : faces) {
    const bool covered = f.size() == 3 ? take({f})
                         : f.size() == 4 && (take({{f[0], f[1], f[2]}, {f[0], f[2], f[3]}}) ||
                                             take({{f[0], f[1], f[3]}, {f[1], f[2], f[3]}}));
    if (!covered) return false;
  }
  return triangles.empty();
}

TEST_F(KilnModelTest, ImportedObjExportsTheSameTrianglesAndMaterials) {
  dir.WriteFile("box.obj",
                "mtllib box.mtl\n"
                "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 2 2 2\n"
                "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                "usemtl Red\nf 1/1 2/2 3/3 4/4\n"
                "usemtl Green\nf 1/1 5/2 6/3\nf 1/1 6/3 2/4\n"
                "usemtl Blue\nf 5/1 6/2 7/3\n");
  dir.WriteFile("box.mtl", "newmtl Red\nKd 1 0 0\nmap_Kd Tex/Brick.PNG\nnewmtl Green\nKd 0 1 0\nnewmtl Blue\nKd 0 0 1\n");
  dir.MakeDir("Tex");
  ASSERT_EQ(kiln::test::RunTool("/usr/bin/convert", {"-size", "300x200", "xc:orange", "Tex/Brick.PNG"}, dir.path()).status, 0);
  dir.MakeDir("out");
  ProcessResult run = Run({"import", "box.obj", "out/box.dof"});
  ASSERT_EQ(run.status, 0) << run.err;
  // The texture beside the model, lower-case, a power of two wide and high.
  const ProcessResult size = kiln::test::RunTool("/usr/bin/identify", {"-format", "%w %h", "out/brick.tga"}, dir.path());
  EXPECT_EQ(size.out, "512 256");
  run = Run({"export", "out/box.dof", "back.obj"});
  ASSERT_EQ(run.status, 0) << run.err;
  const ObjContent source = ReadObj(dir.Path("box.obj")), result = ReadObj(dir.Path("back.obj"));
  EXPECT_TRUE(SameSurface(source.faces, result.faces));
  EXPECT_EQ(result.materials, source.materials);
  EXPECT_NE(Run({"info", "out/box.dof"}).out.find("  bounds: (0, 0, 0) to (2, 2, 2),"), std::string::npos);

  // What Assimp refuses, or nowhere to write: status 1, the reason, no file.
  dir.WriteFile("broken.obj", "f 1 2 3\n");
  run = Run({"import", "broken.obj", "broken.dof"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.rfind("kiln-model: ", 0), 0u) << run.err;
  run = Run({"import", "box.obj", "missing/box.dof"});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("broken.dof")));
  EXPECT_FALSE(kiln::test::Exists(dir.Path("missing")));
}

// The triangles of any file as Assimp reads it: positions only, each
// triangle from its smallest corner.
std::multiset<std::vector<float>> AssimpTriangles(const std::string &path) {
  Assimp::Importer importer;
  const aiScene *scene = importer.ReadFile(path, aiProcess_Triangulate | aiProcess_PreTransformVertices);
  std::multiset<std::vector<float>> triangles;
  if (!scene) return triangles;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh &mesh = *scene->mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      if (mesh.mFaces[f].mNumIndices != 3) continue;
      std::vector<std::array<float, 3>> corners;
      for (unsigned c = 0; c < 3; ++c) {
        const aiVector3D &v = mesh.mVertices[mesh.mFaces[f].mIndices[c]];
        corners.push_back({v.x, v.y, v.z});
      }
      std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
      std::vector<float> flat;
      for (const auto &corner : corners) flat.insert(flat.end(), corner.begin(), corner.end());
      triangles.insert(flat);
    }
  }
  return triangles;
}

TEST_F(KilnModelTest, PlyStlAndGltfComeThroughWithTheirTriangles) {
  dir.WriteFile("fan.ply",
                "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
                "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face 2\n"
                "property list uchar int vertex_indices\nend_header\n"
                "0 0 0 255 0 0\n1 0 0 0 255 0\n1 1 0.5 0 0 255\n0 1 0.25 255 255 0\n3 0 1 2\n3 0 2 3\n");
  dir.WriteFile("wedge.stl",
                "solid wedge\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 2 0 0\nvertex 0 3 0\nendloop\nendfacet\n"
                "facet normal 0 -1 0\nouter loop\nvertex 0 0 0\nvertex 0 0 1.5\nvertex 2 0 0\nendloop\nendfacet\nendsolid wedge\n");
  // Two triangles placed by their node: the placement comes along.
  dir.WriteFile("sheet.gltf", "{\"asset\": {\"version\": \"2.0\"}, \"scenes\": [{\"nodes\": [0]}], \"scene\": 0, \"nodes\": [{\"mesh\": 0, \"translation\": [5, 0, -2]}], \"meshes\": [{\"primitives\": [{\"attributes\": {\"POSITION\": 0}, \"indices\": 1}]}], \"buffers\": [{\"byteLength\": 60, \"uri\": \"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAACAPwAAgD8AAAA/AAABAAIAAgABAAMA\"}], \"bufferViews\": [{\"buffer\": 0, \"byteOffset\": 0, \"byteLength\": 48}, {\"buffer\": 0, \"byteOffset\": 48, \"byteLength\": 12}], \"accessors\": [{\"bufferView\": 0, \"componentType\": 5126, \"count\": 4, \"type\": \"VEC3\", \"min\": [0, 0, 0], \"max\": [1, 1, 0.5]}, {\"bufferView\": 1, \"componentType\": 5123, \"count\": 6, \"type\": \"SCALAR\"}]}");
  // Binary, in the smallest types: a body of just the bytes its items take.
  dir.WriteFile("strip.ply", "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty uchar x\n"
                             "property uchar y\nproperty uchar z\nelement face 1\nproperty list uchar uchar vertex_indices\n"
                             "end_header\n" + std::string("\0\0\0\2\0\0\0\3\1\3\0\1\2", 13));
  for (const std::string name : {"fan", "strip", "wedge", "sheet"}) {
    const std::string source = name == "wedge" ? "wedge.stl" : name == "sheet" ? "sheet.gltf" : name + ".ply";
    ProcessResult run = Run({"import", source, name + ".dof"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = Run({"export", name + ".dof", name + ".obj"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(AssimpTriangles(dir.Path(name + ".obj")), AssimpTriangles(dir.Path(source))) << name;
  }
  // The PLY's colours become the geob's vertex colours.
  EXPECT_NE(Run({"info", "fan.dof"}).out.find("arrays: normals colours"), std::string::npos);
}

TEST_F(KilnModelTest, DamagedOrUnreadableInputIsRefusedAndNothingIsWritten) {
  const std::string sound = Dof1({Mats({WrittenMaterial("paint", {})}), Geob({Triangle(0)})});
  const std::size_t geob = sound.find("GEOB");
  dir.WriteFile("empty.dof", "");
  dir.WriteFile("magic.dof", "DOF2" + sound.substr(4));
  dir.WriteFile("cut.dof", sound.substr(0, sound.size() - 12));
  dir.WriteFile("past.dof", WithLength(sound, geob + 4, 1 << 20));
  dir.WriteFile("many.dof", Dof1({Mats({WrittenMaterial("paint", {})}), Geob(std::vector<std::string>(201, Triangle(0)))}));
  dir.MakeDir("folder.dof");
  for (const std::string file : {"empty.dof", "magic.dof", "cut.dof", "past.dof", "many.dof", "folder.dof",
                                 "/proc/self/mem", "none.dof"}) {
    for (const char *command : {"check", "info", "export"}) {
      std::vector<std::string> args = {command, file};
      if (args[0] == "export") args.push_back("out.obj");
      const ProcessResult run = Run(args);
      EXPECT_EQ(run.status, 1) << command << " " << file;
      // check reports through the loader's own warnings.
      if (args[0] != "check" || file != "many.dof") {
        EXPECT_NE(run.err.find("kiln-model: "), std::string::npos) << command << " " << file << ": " << run.err;
      }
    }
  }
  EXPECT_NE(Run({"info", "many.dof"}).out.find("  dropped: 1 of 201 geobs left out\n"), std::string::npos);
  EXPECT_FALSE(kiln::test::Exists(dir.Path("out.obj")));

  // Files Assimp refuses: empty, cut, not a model, a directory, unreadable,
  // a PLY header without its end, ones declaring more than the file holds
  // (which Assimp would spend minutes on, even on faces without
  // properties), one whose end Assimp can't see (it would read for ever),
  // two elements of faces (Assimp would write the second's past the memory
  // it sized by the first), a glTF file no glTF reader takes (Assimp would
  // guess another format and read past its memory).
  dir.WriteFile("empty.stl", "");
  dir.WriteFile("cut.stl", std::string(80, ' ') + std::string("\x0a\0\0\0", 4) + std::string(100, '\0'));
  dir.WriteFile("text.obj", "this is no model\n");
  dir.WriteFile("open.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n");
  dir.WriteFile("huge.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nelement face " +
                                std::string(60, '4') + "\nproperty list uchar int vertex_indices\nend_header\n0\n0\n0\n3 0 1 2\n");
  dir.WriteFile("bare.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nelement face 99999999\nend_header\n0\n");
  dir.WriteFile("hidden.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n\fend_header\n0\n0\n0\n");
  dir.WriteFile("strips.ply", "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nelement face 1\n"
                             "property list uchar int vertex_indices\nelement tristrips 1\n"
                             "property list int int vertex_indices\nend_header\n0\n1\n2\n3\n3 0 1 2\n4 0 1 2 3\n");
  dir.WriteFile("guess.gltf", "fgeometrynode ");
  dir.MakeDir("folder.obj");
  for (const std::string file : {"empty.stl", "cut.stl", "text.obj", "open.ply", "huge.ply", "bare.ply", "hidden.ply",
                                 "strips.ply", "guess.gltf", "folder.obj", "/proc/self/mem"}) {
    const ProcessResult run = Run({"import", file, "out.dof"});
    EXPECT_EQ(run.status, 1) << file;
    EXPECT_NE(run.err.find("kiln-model: "), std::string::npos) << file;
  }
  EXPECT_NE(Run({"import", "huge.ply", "out.dof"}).err.find("element 'face' declares 444"), std::string::npos);
  EXPECT_NE(Run({"import", "bare.ply", "out.dof"}).err.find("element 'face' declares 99999999"), std::string::npos);
  EXPECT_NE(Run({"import", "strips.ply", "out.dof"}).err.find("a second element of faces ('tristrips' after 'face')"),
            std::string::npos);
  EXPECT_EQ(Run({"import", "guess.gltf", "out.dof"}).err, "kiln-model: no reader of .gltf files takes this file\n");
  for (const std::string &made : kiln::test::ListTree(dir.path())) EXPECT_NE(made.rfind("out.", 0), 0u) << made;
}

// Binary glTF with its texture inside: a PNG of 40 x 24 in the binary
// chunk, named by the material's base colour.
TEST_F(KilnModelTest, BinaryGltfBringsItsEmbeddedTexture) {
  ASSERT_EQ(kiln::test::RunTool("/usr/bin/convert", {"-size", "40x24", "xc:red", "red.png"}, dir.path()).status, 0);
  const std::string png = kiln::test::ReadFile(dir.Path("red.png"));
  kiln::test::ByteWriter bin;
  for (float f : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f}) bin.Float(f);
  bin.LE16(0).LE16(1).LE16(2).LE16(0).Text(png);
  std::string binary = bin.Bytes();
  binary.append((4 - binary.size() % 4) % 4, '\0');
  std::string json =
      "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
      "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1},\"indices\":2,\"material\":0}]}],"
      "\"materials\":[{\"pbrMetallicRoughness\":{\"baseColorTexture\":{\"index\":0}}}],"
      "\"textures\":[{\"source\":0}],\"images\":[{\"bufferView\":3,\"mimeType\":\"image/png\"}],"
      "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":3,\"type\":\"VEC3\",\"min\":[0,0,0],\"max\":[1,1,0]},"
      "{\"bufferView\":1,\"componentType\":5126,\"count\":3,\"type\":\"VEC2\"},"
      "{\"bufferView\":2,\"componentType\":5123,\"count\":3,\"type\":\"SCALAR\"}],"
      "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":36},{\"buffer\":0,\"byteOffset\":36,\"byteLength\":24},"
      "{\"buffer\":0,\"byteOffset\":60,\"byteLength\":6},{\"buffer\":0,\"byteOffset\":68,\"byteLength\":" +
      std::to_string(png.size()) + "}],\"buffers\":[{\"byteLength\":" + std::to_string(binary.size()) + "}]}";
  json.append((4 - json.size() % 4) % 4, ' ');
  kiln::test::ByteWriter glb;
  glb.Text("glTF").LE32(2).LE32(static_cast<uint32_t>(28 + json.size() + binary.size()));
  glb.LE32(static_cast<uint32_t>(json.size())).Text("JSON").Text(json);
  glb.LE32(static_cast<uint32_t>(binary.size())).Text(std::string("BIN\0", 4)).Text(binary);
  dir.WriteFile("flag.glb", glb.Bytes());

  const ProcessResult run = Run({"import", "flag.glb", "flag.dof"});
  ASSERT_EQ(run.status, 0) << run.err;
  const ProcessResult texture =
      kiln::test::RunTool("/usr/bin/convert", {"embedded0.tga", "-format", "%w %h %[pixel:p{0,0}]", "info:"}, dir.path());
  EXPECT_EQ(texture.out, "64 32 srgba(255,0,0,1)");
  EXPECT_NE(Run({"info", "flag.dof"}).out.find("embedded0.tga"), std::string::npos);
}

}  // namespace
