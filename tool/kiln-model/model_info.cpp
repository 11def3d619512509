#include "model_info.h"

#include <kiln/dbox.h>
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "chunk_walk.h"

namespace kiln::model {

namespace {

// "40 polygons (40 quads: 80 triangles)": how many polygons of each number
// of corners, and the triangles they are drawn as when not all are
// triangles already.
std::string Polygons(const DGeob &geob) {
  std::map<int, long> byCorners;
  long polygons = 0, triangles = 0;
  for (int b = 0; b < geob.GetBurstCount(); ++b) {
    int first = 0, count = 0;
    const int corners = geob.burstVperP[b];
    if (!geob.GetBurstRange(b, &first, &count) || corners <= 0) continue;
    byCorners[corners] += count / corners;
    polygons += count / corners;
    triangles += count / corners * std::max(0, corners - 2);
  }
  std::string kinds;
  for (const auto &[corners, number] : byCorners) {
    const std::string kind = corners == 3 ? "triangle" : corners == 4 ? "quad" : std::to_string(corners) + "-gon";
    kinds += (kinds.empty() ? "" : ", ") + std::to_string(number) + " " + kind + (number == 1 ? "" : "s");
  }
  std::string text = std::to_string(polygons) + " polygons";
  if (kinds.empty()) return text;
  if (byCorners.size() > 1 || byCorners.begin()->first != 3) kinds += ": " + std::to_string(triangles) + " triangles";
  return text + " (" + kinds + ")";
}

void PrintGeob(int index, const DGeob &geob) {
  std::string arrays;
  if (geob.GetNormals()) arrays += " normals";
  if (geob.GetTVertices()) arrays += " uvs";
  if (geob.GetVColors()) arrays += " colours";
  std::printf("  geob %d: %d vertices, %s, %d bursts, arrays:%s, material %d\n", index, geob.GetVertexCount(),
              Polygons(geob).c_str(), geob.GetBurstCount(), arrays.empty() ? " none" : arrays.c_str(),
              geob.materialID);
}

// False for a file that can't be opened or read to its end (a directory,
// an I/O error).
bool ReadWhole(const std::string &file, std::string *bytes) {
  std::FILE *in = std::fopen(file.c_str(), "rb");
  if (!in) return false;
  char block[1 << 16];
  std::size_t got;
  while ((got = std::fread(block, 1, sizeof block, in)) > 0) bytes->append(block, got);
  const bool read = !std::ferror(in);
  std::fclose(in);
  return read;
}

std::string Dropped(const ChunkWalk &walk, const DGeode &model) {
  std::string dropped;
  if (walk.materials > model.GetMaterialCount())
    dropped = std::to_string(walk.materials - model.GetMaterialCount()) + " of " + std::to_string(walk.materials) +
              " materials";
  if (walk.geobs > model.GetGeobCount()) {
    dropped += dropped.empty() ? "" : " and ";
    dropped += std::to_string(walk.geobs - model.GetGeobCount()) + " of " + std::to_string(walk.geobs) + " geobs";
  }
  return dropped.empty() ? "" : dropped + " left out";
}

}  // namespace

std::string DroppedParts(const std::string &file, const DGeode &model) {
  std::string bytes;
  if (!ReadWhole(file, &bytes)) return "the file can't be read again";
  return Dropped(WalkChunks(bytes), model);
}

bool PrintInfo(const std::string &file, std::string *error) {
  std::string bytes;
  if (!ReadWhole(file, &bytes)) {
    *error = "can't read '" + file + "'";
    return false;
  }
  const ChunkWalk walk = WalkChunks(bytes);
  std::printf("%s: %zu bytes\n", file.c_str(), bytes.size());
  for (const ChunkPlace &chunk : walk.chunks) {
    if (chunk.length < 0) std::printf("  chunk %s at %ld\n", chunk.tag.c_str(), chunk.offset);
    else std::printf("  chunk %s at %ld: %ld bytes\n", chunk.tag.c_str(), chunk.offset, chunk.length);
  }
  if (!walk.damage.empty()) std::printf("  damaged: %s\n", walk.damage.c_str());
  std::unique_ptr<DGeode> model(d3LoadModel(file.c_str()));
  if (!model) {
    *error = "can't load '" + file + "'";
    return false;
  }
  for (int m = 0; m < model->GetMaterialCount(); ++m) {
    const DMaterial *material = model->GetMaterial(m);
    std::printf("  material %d %s:", m, material->name.CStr());
    for (int t = 0; t < material->GetTextureCount(); ++t) std::printf(" %s", material->GetTextureName(t));
    if (material->GetTextureCount() == 0) std::printf(" no textures");
    if (material->GetSubMaterialCount()) std::printf(", %d sub-materials", material->GetSubMaterialCount());
    std::printf("\n");
  }
  for (int g = 0; g < model->GetGeobCount(); ++g) PrintGeob(g, *model->GetGeob(g));
  DBox box;
  model->GetBoundingBox(&box);
  const float *centre = model->GetCenter();
  std::printf("  bounds: (%g, %g, %g) to (%g, %g, %g), centre (%g, %g, %g), radius %g\n", box.min.x, box.min.y,
              box.min.z, box.max.x, box.max.y, box.max.z, centre[0], centre[1], centre[2], box.GetRadius());
  for (int level = 1; level < DGeode::kMaxLevels && model->GetLevel(level); ++level) {
    const DGeode *lower = model->GetLevel(level);
    std::printf("  level %d: %s, %d geobs\n", level, lower->GetName(), lower->GetGeobCount());
  }
  if (const std::string dropped = Dropped(walk, *model); !dropped.empty()) {
    std::printf("  dropped: %s\n", dropped.c_str());
    *error = "'" + file + "' loads incomplete: " + dropped;
    return false;
  }
  return true;
}

}  // namespace kiln::model
