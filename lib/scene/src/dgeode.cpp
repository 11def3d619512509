#include <kiln/dgeode.h>

#include <kiln/dgeob.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/qarchive.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qutil.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "dof_io.h"

using kiln::dof::Reader;
using kiln::dof::Writer;

DGeode::DGeode(const char *geodeName) : name(geodeName ? geodeName : "") {
  static int made = 0;
  falseColorSeed = made++ % 8;
  lod[0] = this;
}

DGeode::DGeode(const DGeode &source)
    : DObject(source),
      lodIndex(source.lodIndex),
      lodNear(source.lodNear),
      lodFar(source.lodFar),
      name(source.name),
      path(source.path),
      geodeFlags(source.geodeFlags),
      ownsLevels(false),
      falseColorSeed(source.falseColorSeed) {
  std::copy_n(source.center, 3, center);
  for (int i = 0; i < source.materialCount; ++i) materials[i] = new DMaterial(*source.materials[i]);
  materialCount = source.materialCount;
  // The geobs draw with the copy's own materials; their arrays stay the source's.
  for (int i = 0; i < source.geobCount; ++i) geobs[i] = new DGeob(*source.geobs[i], this);
  geobCount = source.geobCount;
  std::copy_n(source.lod, kMaxLevels, lod);
  lod[0] = this;
}

DGeode::~DGeode() { Clear(); }

void DGeode::Clear() {
  if (ownsLevels) {
    for (int i = 1; i < kMaxLevels; ++i) delete lod[i];
  }
  std::fill(lod + 1, lod + kMaxLevels, nullptr);
  ownsLevels = true;
  for (int i = 0; i < geobCount; ++i) delete geobs[i];
  geobCount = 0;
  for (int i = 0; i < materialCount; ++i) delete materials[i];
  materialCount = 0;
}

void DGeode::Paint() {
  for (int i = 0; i < geobCount; ++i) geobs[i]->Paint();
  for (int i = 0; i < geobCount; ++i) {
    geobs[i]->flags |= DGOB_TRANSPARENT_PASS;
    geobs[i]->Paint();
    geobs[i]->flags &= ~DGOB_TRANSPARENT_PASS;
  }
}

// --- the container ----------------------------------------------------------------

bool DGeode::ImportDOF(QFile *file) {
  Clear();
  Reader in(file);
  auto damaged = [&](const char *tag, long offset) {
    qwarn("DGeode:ImportDOF(%s); damaged '%s' chunk at offset %ld", name.CStr(), tag, offset);
    return false;
  };
  kiln::dof::Tag tag;
  int32_t length;
  if (!in.ReadTag(&tag) || !tag.Is("DOF1") || !in.ReadInt(&length)) return false;
  for (;;) {
    const long at = in.Position();
    if (at == in.FileSize()) {
      // Cut between chunks: what was read stays.
      qwarn("DGeode:ImportDOF(%s); the file ends without its 'EDOF' chunk", name.CStr());
      return true;
    }
    if (!in.ReadTag(&tag)) return damaged("DOF1", at);
    if (tag.Is("EDOF")) return true;
    if (!in.ReadInt(&length) || length < 0 || length > in.FileSize() - in.Position()) return damaged(tag.text, at);
    const long end = in.Position() + length;
    if (tag.Is("MATS") || tag.Is("GEOB")) {
      const bool isMaterials = tag.Is("MATS");
      int32_t count;
      // Each material or geob takes twelve bytes at least.
      if (!in.ReadInt(&count) || count < 0 || (length - 4) / 12 < count) return damaged(tag.text, at);
      const int room = isMaterials ? kMaxMaterials : kMaxGeobs;
      if (count > room) {
        // The rest are met below as chunks of their own, and skipped.
        qwarn(isMaterials ? "Geode contains %d materials but max=%d" : "Geode contains %d geobs but max=%d", count,
              room);
        count = room;
      }
      for (int i = 0; i < count; ++i) {
        if (isMaterials) {
          auto material = std::make_unique<DMaterial>();
          if (!material->ImportDOF(file, this)) return false;
          materials[materialCount++] = material.release();
        } else {
          auto geob = std::make_unique<DGeob>(this);
          if (!geob->ImportDOF(file)) return false;
          geobs[geobCount++] = geob.release();
        }
      }
      continue;
    }
    if (std::memcmp(tag.text, "\0\0\0\0", 4) == 0) {
      qwarn("Empty chunk id in geode '%s'; probably an old ZModeler buggy export; use chunkmend to correct.\n",
            name.CStr());
      return true;
    }
    qwarn("Skipping unknown geode chunk '%s' of length 0x%x (in %s)\n", tag.text, static_cast<unsigned>(length),
          name.CStr());
    if (!in.Seek(end)) return damaged(tag.text, at);
  }
}

bool DGeode::ExportDOF(QFile *file) const {
  Writer out(file);
  out.Tag("DOF1");
  const long container = out.BeginLength();
  out.Tag("MATS");
  const long mats = out.BeginLength();
  out.Int(materialCount);
  if (!out.Finish()) return false;
  for (int i = 0; i < materialCount; ++i) {
    if (!materials[i]->ExportDOF(file)) return false;
  }
  out.EndLength(mats).Tag("GEOB");
  const long geob = out.BeginLength();
  out.Int(geobCount);
  if (!out.Finish()) return false;
  for (int i = 0; i < geobCount; ++i) {
    if (!geobs[i]->ExportDOF(file)) return false;
  }
  out.EndLength(geob).Tag("EDOF").EndLength(container);
  return out.Finish();
}

// --- tables ---------------------------------------------------------------------------

bool DGeode::AddMaterial(DMaterial *material) {
  if (materialCount >= kMaxMaterials) return false;
  materials[materialCount++] = material;
  return true;
}

bool DGeode::AddGeob(DGeob *geob) {
  if (geobCount >= kMaxGeobs) return false;
  geobs[geobCount++] = geob;
  return true;
}

DMaterial *DGeode::GetMaterial(int index) const {
  return index >= 0 && index < materialCount ? materials[index] : nullptr;
}

DGeob *DGeode::GetGeob(int index) const { return index >= 0 && index < geobCount ? geobs[index] : nullptr; }

DMaterial *DGeode::FindMaterial(const char *wanted) const {
  for (int i = 0; i < materialCount; ++i) {
    if (materials[i]->name == wanted) return materials[i];
  }
  return nullptr;
}

void DGeode::ResolveTextureName(const char *textureName, qstring &result) const {
  const std::string beside = std::string(path.CStr()) + "/" + textureName;
  const std::string images = std::string("images/") + textureName;
  if (path.HasText() && QFileExists(beside.c_str())) result = beside.c_str();
  else if (QFileExists(images.c_str())) result = images.c_str();
  else result = textureName;
}

// --- edits ----------------------------------------------------------------------------

void DGeode::Rotate(float angle) {
  for (int i = 0; i < geobCount; ++i) geobs[i]->Rotate(angle);
}

void DGeode::Translate(float x, float y, float z) {
  for (int i = 0; i < geobCount; ++i) geobs[i]->Translate(x, y, z);
}

void DGeode::ScaleVertices(float x, float y, float z) {
  for (int i = 0; i < geobCount; ++i) geobs[i]->ScaleVertices(x, y, z);
}

void DGeode::FreeNormals() {
  for (int i = 0; i < geobCount; ++i) geobs[i]->FreeNormals();
}

bool DGeode::CheckIndices() const {
  for (int i = 0; i < geobCount; ++i) {
    if (!geobs[i]->CheckIndices()) return false;
  }
  return true;
}

template <typename Apply>
void DGeode::ForEveryLevelsGeob(Apply apply) {
  for (int level = 0; level < kMaxLevels && lod[level]; ++level) {
    for (int i = 0; i < lod[level]->geobCount; ++i) apply(*lod[level]->geobs[i]);
  }
}

void DGeode::EnableVBO() {
  ForEveryLevelsGeob([](DGeob &geob) { geob.EnableVBO(); });
}

void DGeode::DisableVBO() {
  ForEveryLevelsGeob([](DGeob &geob) { geob.DisableVBO(); });
}

void DGeode::SetGeobFlag1(bool on) {
  ForEveryLevelsGeob([on](DGeob &geob) { geob.flags = on ? geob.flags | DGOB_APP_1 : geob.flags & ~DGOB_APP_1; });
}

void DGeode::SetGeobFlag2(bool on) {
  ForEveryLevelsGeob([on](DGeob &geob) { geob.flags = on ? geob.flags | DGOB_APP_2 : geob.flags & ~DGOB_APP_2; });
}

void DGeode::SetFalseColors(bool on) {
  geodeFlags = on ? geodeFlags | DGEODE_FALSE_COLORS : geodeFlags & ~DGEODE_FALSE_COLORS;
}

void DGeode::SetGeometryOnly(bool on) {
  geodeFlags = on ? geodeFlags | DGEODE_GEOMETRY_ONLY : geodeFlags & ~DGEODE_GEOMETRY_ONLY;
}

// --- bounds and levels ------------------------------------------------------------------

void DGeode::GetBoundingBox(DBox *box) {
  // Geobs without vertices have no place: they stay out of the box.
  box->Reset();
  bool first = true;
  for (int i = 0; i < geobCount; ++i) {
    if (!geobs[i]->HasVertices()) continue;
    DBox part;
    geobs[i]->GetBoundingBox(&part);
    if (first) *box = part;
    else box->Extend(part);
    first = false;
  }
  const DVector3 middle = (box->min + box->max) * 0.5f;
  const float point[3] = {middle.x, middle.y, middle.z};
  SetCenter(point);
}

void DGeode::SetCenter(const float point[3]) { std::copy_n(point, 3, center); }

DGeode *DGeode::GetLevel(int index) const { return index >= 0 && index < kMaxLevels ? lod[index] : nullptr; }

void DGeode::SetLevel(int index, DGeode *level) {
  if (index < 1 || index >= kMaxLevels) return;
  if (ownsLevels && lod[index] != level) delete lod[index];
  lod[index] = level;
}

// --- loading with levels ------------------------------------------------------------------

namespace {

// The file of level i: the base name, or "%s_lod%d.dof" of it without its
// extension.
std::string LevelFile(const std::string &base, int level) {
  if (level == 0) return base;
  const std::size_t dot = base.rfind('.');
  const std::string stem = dot == std::string::npos ? base : base.substr(0, dot);
  return stem + "_lod" + std::to_string(level) + ".dof";
}

}  // namespace

DGeode *d3LoadModel(const char *fileName, QArchive *archive, const float *lodDistances, float farDistance,
                    bool loadLevels) {
  const std::string whole = fileName ? fileName : "";
  const std::size_t slash = whole.find_last_of("/\\");
  const std::string directory = slash == std::string::npos ? "." : whole.substr(0, slash);
  const std::string base = slash == std::string::npos ? whole : whole.substr(slash + 1);
  const float lodScale = d3Global().lodScale;

  DGeode *levels[DGeode::kMaxLevels] = {};
  const int wanted = loadLevels ? DGeode::kMaxLevels : 1;
  for (int i = 0; i < wanted; ++i) {
    const std::string file = LevelFile(base, i);
    const std::string path = directory + "/" + file;
    std::unique_ptr<QFile> in = std::make_unique<QFile>(path.c_str(), QFile::READ);
    if (!in->IsOpen()) {
      in.reset(archive ? archive->OpenFile(file.c_str()) : nullptr);
      if (!in) break;
      // Look-ups by the model's path use this name.
      in->SetName(path.c_str());
    }
    auto geode = std::make_unique<DGeode>(file.c_str());
    geode->SetPath(directory.c_str());
    if (!geode->ImportDOF(in.get())) break;
    geode->lodIndex = i;
    geode->lodNear = lodScale * (lodDistances ? lodDistances[i] : 0);
    geode->lodFar = lodScale * farDistance;
    if (i > 0) levels[i - 1]->lodFar = geode->lodNear;
    levels[i] = geode.release();
    if (i > 0) levels[0]->SetLevel(i, levels[i]);
  }
  if (!levels[0]) {
    qwarn("Can't import DOF '%s'", whole.c_str());
    qwarn("Highest LOD failed to load; skipping model");
    return nullptr;
  }
  DBox box;
  for (int i = 0; i < DGeode::kMaxLevels && levels[i]; ++i) levels[i]->GetBoundingBox(&box);
  for (int i = 1; i < DGeode::kMaxLevels && levels[i]; ++i) levels[i]->SetCenter(levels[0]->GetCenter());
  return levels[0];
}
