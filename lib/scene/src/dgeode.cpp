#include <kiln/dgeode.h>

#include <kiln/dgeob.h>
#include <kiln/dmaterial.h>
#include <kiln/qutil.h>

#include <cstring>
#include <string>

DGeode::DGeode(const char *geodeName) : name(geodeName ? geodeName : "") {
  static int made = 0;
  falseColorSeed = made++ % 8;
}

DGeode::~DGeode() {
  for (int i = 0; i < geobCount; ++i) delete geobs[i];
  for (int i = 0; i < materialCount; ++i) delete materials[i];
}

void DGeode::Paint() {
  for (int i = 0; i < geobCount; ++i) geobs[i]->Paint();
  for (int i = 0; i < geobCount; ++i) {
    geobs[i]->flags |= DGOB_TRANSPARENT_PASS;
    geobs[i]->Paint();
    geobs[i]->flags &= ~DGOB_TRANSPARENT_PASS;
  }
}

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

void DGeode::SetFalseColors(bool on) { geodeFlags = on ? geodeFlags | DGEODE_FALSE_COLORS : geodeFlags & ~DGEODE_FALSE_COLORS; }

void DGeode::SetGeometryOnly(bool on) {
  geodeFlags = on ? geodeFlags | DGEODE_GEOMETRY_ONLY : geodeFlags & ~DGEODE_GEOMETRY_ONLY;
}

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
  center[0] = middle.x;
  center[1] = middle.y;
  center[2] = middle.z;
}
