// Loading a large model: 32 geobs of 32,768 vertices each (positions,
// normals, texture coordinates; 16-bit indices; about 2 million triangles;
// 8 materials without texture files), written from the same arrays as a
// model file, as binary glTF (one mesh per geob) and as OBJ. From the page
// cache, the median of 7 loads each: d3LoadModel against Assimp's importer
// on the .glb without post-processing, and tinyobjloader on the OBJ
// (reported only). Every side must give the same triangle count and the
// same sum of positions before a ratio is printed.
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/qdebug.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <tiny_obj_loader.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "byte_writer.h"
#include "dof_chunks.h"
#include "median_runs.h"

namespace {

constexpr int kGeobs = 32, kColumns = 128, kRows = 256, kMaterials = 8, kLoads = 7;

using kiln::test::ByteWriter;

struct Sheet {
  std::vector<float> positions, normals, uvs;
  std::vector<uint16_t> indices;
};

// A wavy sheet per geob, side by side; positions in quarters, so that every
// format writes them exactly.
std::vector<Sheet> MakeGeometry() {
  std::vector<Sheet> geobs(kGeobs);
  for (int g = 0; g < kGeobs; ++g) {
    Sheet &geob = geobs[g];
    for (int j = 0; j < kRows; ++j) {
      for (int i = 0; i < kColumns; ++i) {
        geob.positions.insert(geob.positions.end(),
                              {static_cast<float>(i + g * 200), static_cast<float>(j), ((i * j + g) % 17) * 0.25f});
        geob.normals.insert(geob.normals.end(), {0, 0.6f, 0.8f});
        geob.uvs.insert(geob.uvs.end(), {i / (kColumns - 1.0f), j / (kRows - 1.0f)});
      }
    }
    for (int j = 0; j + 1 < kRows; ++j) {
      for (int i = 0; i + 1 < kColumns; ++i) {
        const auto at = [](int x, int y) { return static_cast<uint16_t>(y * kColumns + x); };
        geob.indices.insert(geob.indices.end(),
                            {at(i, j), at(i + 1, j), at(i, j + 1), at(i, j + 1), at(i + 1, j), at(i + 1, j + 1)});
      }
    }
  }
  return geobs;
}

// What every loader must agree on.
struct Summary {
  long triangles = 0;
  double positionSum = 0;
  bool operator==(const Summary &other) const {
    return triangles == other.triangles && positionSum == other.positionSum;
  }
};

void AddPositions(Summary &summary, const float *xyz, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) summary.positionSum += xyz[3 * i] + xyz[3 * i + 1] + xyz[3 * i + 2];
}

void Save(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// --- the three files ---

std::string ModelFile(const std::vector<Sheet> &geobs) {
  using namespace kiln::test::dof;
  std::vector<std::string> materials, chunks;
  for (int m = 0; m < kMaterials; ++m) materials.push_back(WrittenMaterial("paint" + std::to_string(m), {}));
  for (int g = 0; g < kGeobs; ++g) {
    const Sheet &geob = geobs[g];
    const int32_t count = static_cast<int32_t>(geob.indices.size());
    chunks.push_back(Gob1({Ghdr(0, 0, g % kMaterials), Indi(geob.indices), Vert(geob.positions), Tver(geob.uvs),
                           Norm(geob.normals), Brst({0}, {3 * count}, {0}, {3})}));
  }
  return Dof1({Mats(materials), Geob(chunks)});
}

// Binary glTF: one buffer, four views per geob, one mesh and node per geob.
std::string GltfFile(const std::vector<Sheet> &geobs) {
  std::string bin, views, accessors, meshes, nodes, materials;
  auto view = [&](const void *data, std::size_t size, int target) {
    const std::size_t offset = bin.size();
    bin.append(static_cast<const char *>(data), size);
    bin.append((4 - bin.size() % 4) % 4, '\0');
    if (!views.empty()) views += ",";
    views += "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) + ",\"byteLength\":" + std::to_string(size) +
             ",\"target\":" + std::to_string(target) + "}";
  };
  int views_made = 0;
  auto accessor = [&](int componentType, std::size_t count, const char *type, const std::string &extra) {
    if (!accessors.empty()) accessors += ",";
    accessors += "{\"bufferView\":" + std::to_string(views_made++) + ",\"componentType\":" +
                 std::to_string(componentType) + ",\"count\":" + std::to_string(count) + ",\"type\":\"" + type +
                 "\"" + extra + "}";
  };
  for (int g = 0; g < kGeobs; ++g) {
    const Sheet &geob = geobs[g];
    const std::size_t vertices = geob.positions.size() / 3;
    float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
    for (std::size_t i = 0; i < geob.positions.size(); ++i) {
      low[i % 3] = std::min(low[i % 3], geob.positions[i]);
      high[i % 3] = std::max(high[i % 3], geob.positions[i]);
    }
    char bounds[200];
    std::snprintf(bounds, sizeof bounds, ",\"min\":[%.9g,%.9g,%.9g],\"max\":[%.9g,%.9g,%.9g]", low[0], low[1], low[2],
                  high[0], high[1], high[2]);
    view(geob.positions.data(), geob.positions.size() * 4, 34962);
    accessor(5126, vertices, "VEC3", bounds);
    view(geob.normals.data(), geob.normals.size() * 4, 34962);
    accessor(5126, vertices, "VEC3", "");
    view(geob.uvs.data(), geob.uvs.size() * 4, 34962);
    accessor(5126, vertices, "VEC2", "");
    view(geob.indices.data(), geob.indices.size() * 2, 34963);
    accessor(5123, geob.indices.size(), "SCALAR", "");
    const int first = 4 * g;
    if (g) meshes += ",", nodes += ",";
    meshes += "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(first) +
              ",\"NORMAL\":" + std::to_string(first + 1) + ",\"TEXCOORD_0\":" + std::to_string(first + 2) +
              "},\"indices\":" + std::to_string(first + 3) + ",\"material\":" + std::to_string(g % kMaterials) +
              "}]}";
    nodes += "{\"mesh\":" + std::to_string(g) + "}";
  }
  std::string sceneNodes;
  for (int g = 0; g < kGeobs; ++g) sceneNodes += (g ? "," : "") + std::to_string(g);
  for (int m = 0; m < kMaterials; ++m) {
    materials += std::string(m ? "," : "") + "{\"name\":\"paint" + std::to_string(m) +
                 "\",\"pbrMetallicRoughness\":{\"baseColorFactor\":[0.5,0.6,0.7,1]}}";
  }
  std::string json = "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[" + sceneNodes +
                     "]}],\"nodes\":[" + nodes + "],\"meshes\":[" + meshes + "],\"materials\":[" + materials +
                     "],\"accessors\":[" + accessors + "],\"bufferViews\":[" + views +
                     "],\"buffers\":[{\"byteLength\":" + std::to_string(bin.size()) + "}]}";
  json.append((4 - json.size() % 4) % 4, ' ');
  ByteWriter out;
  out.Text("glTF").LE32(2).LE32(static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size()));
  out.LE32(static_cast<uint32_t>(json.size())).Text("JSON").Text(json);
  out.LE32(static_cast<uint32_t>(bin.size())).Text(std::string("BIN\0", 4)).Text(bin);
  return out.Bytes();
}

std::string ObjFile(const std::vector<Sheet> &geobs) {
  std::string text = "mtllib model.mtl\n";
  char line[256];
  long base = 1;
  for (int g = 0; g < kGeobs; ++g) {
    const Sheet &geob = geobs[g];
    text += "o geob" + std::to_string(g) + "\nusemtl paint" + std::to_string(g % kMaterials) + "\n";
    const std::size_t vertices = geob.positions.size() / 3;
    for (std::size_t i = 0; i < vertices; ++i) {
      const float *p = &geob.positions[3 * i], *n = &geob.normals[3 * i], *t = &geob.uvs[2 * i];
      std::snprintf(line, sizeof line, "v %.9g %.9g %.9g\nvn %.9g %.9g %.9g\nvt %.9g %.9g\n", p[0], p[1], p[2], n[0],
                    n[1], n[2], t[0], t[1]);
      text += line;
    }
    for (std::size_t i = 0; i < geob.indices.size(); i += 3) {
      const long a = base + geob.indices[i], b = base + geob.indices[i + 1], c = base + geob.indices[i + 2];
      std::snprintf(line, sizeof line, "f %ld/%ld/%ld %ld/%ld/%ld %ld/%ld/%ld\n", a, a, a, b, b, b, c, c, c);
      text += line;
    }
    base += static_cast<long>(vertices);
  }
  return text;
}

std::string MaterialLibrary() {
  std::string text;
  for (int m = 0; m < kMaterials; ++m) text += "newmtl paint" + std::to_string(m) + "\nKd 0.5 0.6 0.7\n";
  return text;
}

// --- the loaders ---

bool LoadWithKiln(const std::string &path, Summary &summary) {
  std::unique_ptr<DGeode> model(d3LoadModel(path.c_str(), nullptr, nullptr, 99999.0f, false));
  if (!model) return false;
  for (int g = 0; g < model->GetGeobCount(); ++g) {
    const DGeob *geob = model->GetGeob(g);
    summary.triangles += geob->GetIndexCount() / 3;
    AddPositions(summary, geob->GetVertices(), static_cast<std::size_t>(geob->GetVertexCount()));
  }
  return true;
}

bool LoadWithAssimp(const std::string &path, Summary &summary) {
  Assimp::Importer importer;
  const aiScene *scene = importer.ReadFile(path, 0);
  if (!scene) return false;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh *mesh = scene->mMeshes[m];
    summary.triangles += mesh->mNumFaces;
    AddPositions(summary, &mesh->mVertices[0].x, mesh->mNumVertices);
  }
  return true;
}

bool LoadWithTinyObj(const std::string &path, Summary &summary) {
  tinyobj::attrib_t attributes;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warnings, errors;
  const std::string directory = path.substr(0, path.rfind('/') + 1);
  if (!tinyobj::LoadObj(&attributes, &shapes, &materials, &warnings, &errors, path.c_str(), directory.c_str())) {
    return false;
  }
  for (const tinyobj::shape_t &shape : shapes) summary.triangles += static_cast<long>(shape.mesh.num_face_vertices.size());
  AddPositions(summary, attributes.vertices.data(), attributes.vertices.size() / 3);
  return true;
}

// Timed as the median of kLoads loads; each must agree with the first.
bool Measure(const char *name, const std::function<bool(Summary &)> &load, Summary &summary, double &seconds) {
  if (!kiln::bench::MedianOfRuns(name, kLoads, load, summary, seconds)) return false;
  std::printf("%-16s %9.1f ms  (%ld triangles)\n", name, seconds * 1e3, summary.triangles);
  return true;
}

}  // namespace

int main() {
  qwarn_set_callback([](const char *text) { std::fputs(text, stderr); });
  const std::vector<Sheet> geobs = MakeGeometry();
  const std::string dof = ModelFile(geobs), glb = GltfFile(geobs), obj = ObjFile(geobs);
  Save("model.dof", dof);
  Save("model.glb", glb);
  Save("model.obj", obj);
  Save("model.mtl", MaterialLibrary());
  std::printf("files: model.dof %zu bytes, model.glb %zu bytes, model.obj %zu bytes\n", dof.size(), glb.size(),
              obj.size());
  const std::string here = std::string(std::getenv("PWD") ? std::getenv("PWD") : ".") + "/";

  Summary kiln, assimp, tinyobj;
  double kilnSeconds = 0, assimpSeconds = 0, tinyobjSeconds = 0;
  const bool measured =
      Measure("d3LoadModel", [&](Summary &s) { return LoadWithKiln(here + "model.dof", s); }, kiln, kilnSeconds) &&
      Measure("Assimp (.glb)", [&](Summary &s) { return LoadWithAssimp(here + "model.glb", s); }, assimp,
              assimpSeconds) &&
      Measure("tinyobjloader", [&](Summary &s) { return LoadWithTinyObj(here + "model.obj", s); }, tinyobj,
              tinyobjSeconds);
  if (!measured) return 1;
  if (!(kiln == assimp) || !(kiln == tinyobj)) {
    std::printf("the loaders disagree: triangles %ld / %ld / %ld, position sums %.17g / %.17g / %.17g; no ratio\n",
                kiln.triangles, assimp.triangles, tinyobj.triangles, kiln.positionSum, assimp.positionSum,
                tinyobj.positionSum);
    return 1;
  }
  std::printf("d3LoadModel / Assimp        = %5.3f  (goal: 0.20 or less)\n", kilnSeconds / assimpSeconds);
  std::printf("d3LoadModel / tinyobjloader = %5.3f  (reported only)\n", kilnSeconds / tinyobjSeconds);
  return 0;
}
