// Importing a large OBJ and loading what it became: a 600 x 600 grid with
// texture coordinates (720,000 triangles, 361,201 vertices once joined),
// about 50 MB of text. From the page cache, the median of 3 runs each:
// the import kiln-model runs (Assimp with the converter's steps, the
// conversion, the model file written) against Assimp's ReadFile with the
// same steps alone; then d3LoadModel on the model file against that
// ReadFile and against tinyobjloader on the OBJ. Every side must give the
// same triangles (their count and the sum of their corners' positions)
// before a ratio is printed.
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>

#include <tiny_obj_loader.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "import_steps.h"
#include "median_runs.h"
#include "model_import.h"

namespace {

constexpr int kCells = 600, kRuns = 3;


// What every side must agree on. Positions are quarters and small
// integers, so every sum is exact whatever the order.
struct Triangles {
  long count = 0;
  double cornerSum = 0;
  bool operator==(const Triangles &other) const { return count == other.count && cornerSum == other.cornerSum; }
};

void AddCorner(Triangles &triangles, const float *xyz) { triangles.cornerSum += xyz[0] + xyz[1] + xyz[2]; }

// A gently folded grid; vertex k has texture coordinate k.
bool WriteGrid(const std::string &path) {
  std::FILE *out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fputs("mtllib grid.mtl\nusemtl ground\n", out);
  for (int j = 0; j <= kCells; ++j) {
    for (int i = 0; i <= kCells; ++i) std::fprintf(out, "v %g %g %g\n", i * 0.25, ((i * j) % 17) * 0.25, j * 0.25);
  }
  for (int j = 0; j <= kCells; ++j) {
    for (int i = 0; i <= kCells; ++i) std::fprintf(out, "vt %.6f %.6f\n", i / double(kCells), j / double(kCells));
  }
  const auto at = [](int i, int j) { return j * (kCells + 1) + i + 1; };
  for (int j = 0; j < kCells; ++j) {
    for (int i = 0; i < kCells; ++i) {
      const int a = at(i, j), b = at(i + 1, j), c = at(i, j + 1), d = at(i + 1, j + 1);
      std::fprintf(out, "f %d/%d %d/%d %d/%d\nf %d/%d %d/%d %d/%d\n", a, a, c, c, b, b, b, b, c, c, d, d);
    }
  }
  std::FILE *library = std::fopen("grid.mtl", "wb");
  const bool written = library && std::fputs("newmtl ground\nKd 0.4 0.6 0.3\n", library) >= 0 &&
                       std::fclose(library) == 0;
  return std::fclose(out) == 0 && written;
}

bool Count(const DGeode &model, Triangles &triangles) {
  for (int g = 0; g < model.GetGeobCount(); ++g) {
    const DGeob *geob = model.GetGeob(g);
    const uint16_t *indices = geob->GetIndices();
    for (int i = 0; i < geob->GetIndexCount(); ++i) AddCorner(triangles, geob->GetVertices() + 3 * indices[i]);
    triangles.count += geob->GetIndexCount() / 3;
  }
  return true;
}

bool ImportWithKiln(const std::string &obj, Triangles &triangles) {
  std::string error;
  std::unique_ptr<DGeode> model = kiln::model::ImportModel(obj, ".", &error);
  if (!model) {
    std::printf("import: %s\n", error.c_str());
    return false;
  }
  QFile out("grid.dof", QFile::WRITE);
  return out.IsOpen() && model->ExportDOF(&out) && out.Flush() == 0 && Count(*model, triangles);
}

bool ReadWithAssimp(const std::string &obj, Triangles &triangles) {
  Assimp::Importer importer;
  kiln::model::ConfigureImporter(importer);
  const aiScene *scene = importer.ReadFile(obj, kiln::model::kImportSteps);
  if (!scene) return false;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh *mesh = scene->mMeshes[m];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      for (unsigned i = 0; i < mesh->mFaces[f].mNumIndices; ++i)
        AddCorner(triangles, &mesh->mVertices[mesh->mFaces[f].mIndices[i]].x);
    }
    triangles.count += mesh->mNumFaces;
  }
  return true;
}

bool LoadWithKiln(const std::string &dof, Triangles &triangles) {
  std::unique_ptr<DGeode> model(d3LoadModel(dof.c_str(), nullptr, nullptr, 99999.0f, false));
  return model && Count(*model, triangles);
}

bool LoadWithTinyObj(const std::string &obj, Triangles &triangles) {
  tinyobj::attrib_t attributes;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warnings, errors;
  if (!tinyobj::LoadObj(&attributes, &shapes, &materials, &warnings, &errors, obj.c_str(), "./")) return false;
  for (const tinyobj::shape_t &shape : shapes) {
    for (const tinyobj::index_t &corner : shape.mesh.indices)
      AddCorner(triangles, &attributes.vertices[3 * static_cast<std::size_t>(corner.vertex_index)]);
    triangles.count += static_cast<long>(shape.mesh.num_face_vertices.size());
  }
  return true;
}

// Timed as the median of kRuns runs; each must agree with the first.
bool Measure(const char *name, const std::function<bool(Triangles &)> &run, Triangles &result, double &seconds) {
  if (!kiln::bench::MedianOfRuns(name, kRuns, run, result, seconds)) return false;
  std::printf("%-32s %8.1f ms  (%ld triangles)\n", name, seconds * 1e3, result.count);
  return true;
}

}  // namespace

int main() {
  qwarn_set_callback([](const char *text) { std::fputs(text, stderr); });
  if (!WriteGrid("grid.obj")) {
    std::printf("can't write grid.obj\n");
    return 1;
  }
  std::FILE *obj = std::fopen("grid.obj", "rb");
  std::fseek(obj, 0, SEEK_END);
  std::printf("grid.obj: %ld bytes\n", std::ftell(obj));
  std::fclose(obj);

  Triangles imported, read, loaded, tiny;
  double importSeconds = 0, readSeconds = 0, loadSeconds = 0, tinySeconds = 0;
  const bool measured =
      Measure("import (Assimp, convert, write)", [](Triangles &t) { return ImportWithKiln("grid.obj", t); }, imported,
              importSeconds) &&
      Measure("Assimp ReadFile, same steps", [](Triangles &t) { return ReadWithAssimp("grid.obj", t); }, read,
              readSeconds) &&
      Measure("d3LoadModel (grid.dof)", [](Triangles &t) { return LoadWithKiln("grid.dof", t); }, loaded, loadSeconds) &&
      Measure("tinyobjloader (grid.obj)", [](Triangles &t) { return LoadWithTinyObj("grid.obj", t); }, tiny,
              tinySeconds);
  if (!measured) return 1;
  if (!(imported == read) || !(loaded == read) || !(tiny == read)) {
    std::printf("the sides disagree: %ld / %ld / %ld / %ld triangles; no ratio\n", imported.count, read.count,
                loaded.count, tiny.count);
    return 1;
  }
  std::printf("import / ReadFile             = %5.3f  (goal: 1.10 or less)\n", importSeconds / readSeconds);
  std::printf("d3LoadModel / ReadFile        = %5.3f  (goal: 0.20 or less)\n", loadSeconds / readSeconds);
  std::printf("d3LoadModel / tinyobjloader   = %5.3f  (goal: below 1)\n", loadSeconds / tinySeconds);
  return 0;
}
