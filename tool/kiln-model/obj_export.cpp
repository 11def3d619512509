#include "obj_export.h"

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>

#include <cstdio>
#include <string>
#include <vector>

#include "path_names.h"

namespace kiln::model {

namespace {

// A file written under a temporary name and renamed when closed sound.
class Output {
public:
  explicit Output(std::string target) : target(std::move(target)), temporary(this->target + ".partial") {
    file = std::fopen(temporary.c_str(), "w");
  }
  ~Output() {
    if (file) std::fclose(file);
    if (!kept) std::remove(temporary.c_str());
  }
  FILE *get() const { return file; }
  bool Keep() {
    const bool closed = file && std::ferror(file) == 0 && std::fclose(file) == 0;
    file = nullptr;
    kept = closed && std::rename(temporary.c_str(), target.c_str()) == 0;
    return kept;
  }

private:
  std::string target, temporary;
  FILE *file = nullptr;
  bool kept = false;
};

void WriteMaterial(FILE *out, const DMaterial &material) {
  std::fprintf(out, "newmtl %s\n", material.name.CStr());
  std::fprintf(out, "Ka %.9g %.9g %.9g\n", material.ambient[0], material.ambient[1], material.ambient[2]);
  std::fprintf(out, "Kd %.9g %.9g %.9g\n", material.diffuse[0], material.diffuse[1], material.diffuse[2]);
  std::fprintf(out, "Ks %.9g %.9g %.9g\n", material.specular[0], material.specular[1], material.specular[2]);
  std::fprintf(out, "Ns %.9g\nd %.9g\n", material.shininess, 1 - material.transparency);
  if (material.GetTextureCount() > 0) std::fprintf(out, "map_Kd %s\n", material.GetTextureName(0));
  std::fputc('\n', out);
}

}  // namespace

bool ExportObj(const DGeode &geode, const std::string &out, std::string *error) {
  const std::string mtlPath = tool::WithoutExtension(out) + ".mtl";
  Output obj(out), mtl(mtlPath);
  if (!obj.get() || !mtl.get()) {
    *error = "can't write '" + std::string(obj.get() ? mtlPath : out) + "'";
    return false;
  }
  std::fprintf(obj.get(), "# %s\nmtllib %s\n", geode.GetName(), tool::BaseName(mtlPath).c_str());
  std::vector<const DMaterial *> written;
  // OBJ numbers each kind of line from 1 over the whole file: a geob
  // without texture coordinates or normals moves only the positions on.
  long base = 1, uvBase = 1, normalBase = 1;
  for (int g = 0; g < geode.GetGeobCount(); ++g) {
    const DGeob *geob = geode.GetGeob(g);
    const int vertices = geob->GetVertexCount();
    const bool uvs = geob->GetTVertices() && geob->GetTVertexCount() >= vertices;
    const bool normals = geob->GetNormals() && geob->GetNormalCount() >= vertices;
    std::fprintf(obj.get(), "o geob%d\n", g);
    for (int v = 0; v < vertices; ++v) {
      const float *p = geob->GetVertices() + 3 * v;
      std::fprintf(obj.get(), "v %.9g %.9g %.9g\n", p[0], p[1], p[2]);
    }
    for (int v = 0; uvs && v < vertices; ++v) {
      const float *t = geob->GetTVertices() + 2 * v;
      std::fprintf(obj.get(), "vt %.9g %.9g\n", t[0], t[1]);
    }
    for (int v = 0; normals && v < vertices; ++v) {
      const float *n = geob->GetNormals() + 3 * v;
      std::fprintf(obj.get(), "vn %.9g %.9g %.9g\n", n[0], n[1], n[2]);
    }
    for (int b = 0; b < geob->GetBurstCount(); ++b) {
      int first = 0, count = 0;
      if (!geob->GetBurstRange(b, &first, &count)) continue;
      const int perPolygon = geob->burstVperP[b];
      if (const DMaterial *material = geob->GetBurstMaterial(geob->burstMtlID[b])) {
        std::fprintf(obj.get(), "usemtl %s\n", material->name.CStr());
        bool known = false;
        for (const DMaterial *done : written) known = known || done == material;
        if (!known) {
          WriteMaterial(mtl.get(), *material);
          written.push_back(material);
        }
      }
      for (int face = first; face + perPolygon <= first + count; face += perPolygon) {
        std::fputc('f', obj.get());
        for (int corner = 0; corner < perPolygon; ++corner) {
          const long index = geob->GetIndices()[face + corner];
          const long v = base + index, vt = uvBase + index, vn = normalBase + index;
          if (uvs && normals) std::fprintf(obj.get(), " %ld/%ld/%ld", v, vt, vn);
          else if (uvs) std::fprintf(obj.get(), " %ld/%ld", v, vt);
          else if (normals) std::fprintf(obj.get(), " %ld//%ld", v, vn);
          else std::fprintf(obj.get(), " %ld", v);
        }
        std::fputc('\n', obj.get());
      }
    }
    base += vertices;
    if (uvs) uvBase += vertices;
    if (normals) normalBase += vertices;
  }
  if (!mtl.Keep() || !obj.Keep()) {
    *error = "can't write '" + out + "'";
    return false;
  }
  return true;
}

}  // namespace kiln::model
