#include <kiln/dworld.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dmatrix4.h>
#include <kiln/dshader.h>
#include <kiln/dvector3.h>
#include <kiln/qdebug.h>
#include <kiln/qinfo.h>
#include <kiln/qstring.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

float Distance(const DVector3 &a, const DVector3 &b) {
  const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

DVector3 Placed(const DMatrix4 *transform, const float point[3]) {
  const DVector3 at(point[0], point[1], point[2]);
  if (!transform) return at;
  DVector3 out;
  transform->TransformPoint(at, out);
  return out;
}

// How much the transform can stretch a length: its longest axis (the root
// of the largest square is the largest root).
float LargestScale(const DMatrix4 &transform) {
  float largest = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const float *column = transform.m + axis * 4;
    largest = std::max(largest, column[0] * column[0] + column[1] * column[1] + column[2] * column[2]);
  }
  return std::sqrt(largest);
}

// The directory of the file with '/', or the one above it when the file
// lies in a "skin..." directory; empty without a directory.
std::string ShaderPrefix(const char *file) {
  std::string path(file);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  std::string directory = path.substr(0, slash);
  const std::size_t parent = directory.rfind('/');
  const std::string last = parent == std::string::npos ? directory : directory.substr(parent + 1);
  if (last.compare(0, 4, "skin") == 0) return parent == std::string::npos ? "" : directory.substr(0, parent) + "/";
  return directory + "/";
}

bool InGroupRange(int group) { return group >= 0 && group < DWorld::kGroups; }

}  // namespace

DWorld::DWorld() = default;

DWorld::~DWorld() {
  for (auto &item : items) ReleaseItem(*item);
  items.clear();
  shaders.clear();
  if (DGlobal *global = DGlobal::Living(); global && global->shaderRender == this) global->shaderRender = nullptr;
}

DRenderItem *DWorld::GetItem(int index) const {
  return index >= 0 && index < GetItemCount() ? items[static_cast<std::size_t>(index)].get() : nullptr;
}

DShader *DWorld::GetShader(int index) const {
  return index >= 0 && index < GetShaderCount() ? shaders[static_cast<std::size_t>(index)].get() : nullptr;
}

DShader *DWorld::ShaderFor(DRenderItem &item, DMaterial *material, DGeode *geode, int geob) {
  if (!material) {
    qwarn("No material for geob %d (geode %p)", geob, static_cast<void *>(geode));
    return nullptr;
  }
  if (material->shader) {
    auto found = made.find(material->shader);
    if (found != made.end()) {
      // Made for an earlier item: shared.
      MadeShader &shared = found->second;
      ++shared.users;
      if (std::find(shared.materials.begin(), shared.materials.end(), material) == shared.materials.end())
        shared.materials.push_back(material);
      item.flags |= DRenderItem::OWNS_SHADER;
    }
    return material->shader;
  }
  if (material->GetTextureCount() == 0 || !material->GetTexture(0)) {
    qwarn("No texture for geob %d (geode %s)", geob, geode->GetName());
    return nullptr;
  }
  auto shader = std::make_unique<DShader>();
  shader->CreateFromMaterial(material);
  DShader *created = shader.get();
  MadeShader &entry = made[created];
  entry.shader = std::move(shader);
  entry.materials.push_back(material);
  entry.users = 1;
  material->shader = created;
  item.flags |= DRenderItem::OWNS_SHADER;
  return created;
}

void DWorld::ReleaseItem(DRenderItem &item) {
  if (!(item.flags & DRenderItem::OWNS_SHADER)) return;
  item.flags &= ~DRenderItem::OWNS_SHADER;
  auto found = made.find(item.shader);
  if (found == made.end() || --found->second.users > 0) return;
  // The last user: the materials that recorded the shader forget it.
  for (DMaterial *material : found->second.materials) {
    if (material->shader == item.shader) material->shader = nullptr;
  }
  made.erase(found);
}

void DWorld::AddGeode(DGeode *geode) {
  if (!geode) return;
  for (int i = 0; i < geode->GetGeobCount(); ++i) {
    if (GetItemCount() == kMaxItems) {
      qwarn("DShaderRender:Add(geode) overflow");
      return;
    }
    DGeob *geob = geode->GetGeob(i);
    auto item = std::make_unique<DRenderItem>();
    item->geob = geob;
    if (geob->GetBurstCount() == 0) {
      qwarn("DWorld:Add(geode %s); no bursts for geob %d", geode->GetName(), i);
      qwarn("No material for geob %d (geode %p)", i, static_cast<void *>(geode));
      continue;
    }
    item->shader = ShaderFor(*item, geob->GetBurstMaterial(geob->burstMtlID[0]), geode, i);
    if (!item->shader) continue;
    vertexCount += geob->GetVertexCount();
    triangleCount += geob->GetIndexCount() / 3;
    items.push_back(std::move(item));
  }
}

void DWorld::RemoveGeode(DGeode *geode) {
  if (!geode) return;
  auto ofGeode = [geode](const DGeob *geob) {
    for (int level = 0; level < DGeode::kMaxLevels; ++level) {
      const DGeode *entry = level == 0 ? geode : geode->GetLevel(level);
      if (entry && geob->GetGeode() == entry) return true;
    }
    return false;
  };
  auto kept = std::stable_partition(items.begin(), items.end(), [&](const auto &item) { return !ofGeode(item->geob); });
  for (auto it = kept; it != items.end(); ++it) ReleaseItem(**it);
  items.erase(kept, items.end());
}

bool DWorld::AddShader(DShader *shader) {
  if (!shader) return false;
  if (GetShaderCount() == kMaxShaders) {
    qwarn("DShaderRender:Add(shader) overflow");
    delete shader;
    return false;
  }
  shaders.emplace_back(shader);
  return true;
}

DShader *DWorld::FindShader(const char *name) {
  if (!name) return nullptr;
  for (const auto &shader : shaders) {
    if (std::strcmp(shader->name.CStr(), name) == 0) return shader.get();
  }
  return nullptr;
}

bool DWorld::LoadShaders(const char *file) {
  d3Global().flags |= DGF_USE_POOL;
  const std::string prefix = ShaderPrefix(file ? file : "");
  QInfo info(file, QINFO_QUIET);
  if (!info.IsLoaded()) {
    qwarn("DWorld:LoadShaders(%s); the file can't be read", file ? file : "");
    return false;
  }
  std::vector<std::string> entries;
  {
    QInfoIterator top(&info, "");
    for (qstring path; top.GetNext(path, false);) entries.emplace_back(path.CStr());
  }
  const int total = static_cast<int>(entries.size());
  for (int i = 0; i < total; ++i) {
    const std::string &entry = entries[static_cast<std::size_t>(i)];
    if (entry.compare(0, 7, "shader_") != 0) continue;
    auto shader = std::make_unique<DShader>();
    DShaderLoader().Load(info, entry.c_str(), shader.get(), prefix.c_str());
    AddShader(shader.release());
    if (progress) {
      char text[256];
      std::snprintf(text, sizeof text, "Shader %d of %d (%s)", i + 1, total, entry.c_str() + 7);
      progress(i, total, text);
    }
  }
  return true;
}

void DWorld::SortByShader() {
  // By the shaders' order alone (the first painted first), equal shaders
  // kept in their order.
  std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) {
    return a->shader != b->shader && a->shader->Compare(*b->shader) > 0;
  });
}

bool DWorld::AddShadowVolume(DGeode *volume) {
  if (GetShadowVolumeCount() == kMaxShadowVolumes) {
    qwarn("DWorld:Add(shadowVolume) overflow, max=%d", kMaxShadowVolumes);
    return false;
  }
  shadowVolumes.push_back(volume);
  return true;
}

void DWorld::DisableGroup(int group) {
  if (!InGroupRange(group)) {
    qwarn("DWorld:DisableGroup(%d); groups are 0 to %d", group, kGroups - 1);
    return;
  }
  groupOff[group] = true;
}

void DWorld::EnableGroup(int group) {
  if (!InGroupRange(group)) {
    qwarn("DWorld:EnableGroup(%d); groups are 0 to %d", group, kGroups - 1);
    return;
  }
  groupOff[group] = false;
}

bool DWorld::IsGroupDisabled(int group) const { return InGroupRange(group) && groupOff[group]; }

void DWorld::Cull(const DVector3 &camera, int detail) {
  culler.Update();
  // An item reads three objects of its own (its geob's bounds, its geode's
  // centre and distances, its transform), far apart in memory: they are
  // asked for a few items ahead, while earlier items are measured.
  constexpr std::size_t kAhead = 4;
  const std::size_t count = items.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (i + kAhead < count) {
      const DRenderItem &later = *items[i + kAhead];
      __builtin_prefetch(later.geob->center);
      __builtin_prefetch(later.transform);
    }
    if (i + kAhead / 2 < count) __builtin_prefetch(items[i + kAhead / 2]->geob->GetGeode()->GetCenter());
    DRenderItem &item = *items[i];
    if ((InGroupRange(item.group) && groupOff[item.group]) || detail < item.minDetail) {
      item.state |= DRenderItem::CULLED;
      continue;
    }
    const DGeob *geob = item.geob;
    const DGeode *geode = geob->GetGeode();
    // A geode of one geob has its centre: placed and measured once.
    const float *geodeCentre = geode->GetCenter();
    const bool sameCentre = std::memcmp(geodeCentre, geob->center, sizeof geob->center) == 0;
    const DVector3 centre = Placed(item.transform, geob->center);
    item.distance = Distance(camera, centre);
    item.lodDistance = (sameCentre ? item.distance : Distance(camera, Placed(item.transform, geodeCentre))) * lodScale;
    bool outside = item.lodDistance < geode->lodNear || item.lodDistance >= geode->lodFar;
    if (!outside) {
      outside = item.transform ? culler.SphereInView(centre, geob->radius * LargestScale(*item.transform)) == -1
                               : culler.BoxInView(geob->box) == -1;
    }
    item.state = outside ? item.state | DRenderItem::CULLED : item.state & ~DRenderItem::CULLED;
  }
}

void DWorld::DbgPrintShaders() const {
  qdbg("DWorld shaders (count=%d):\n", GetShaderCount());
  for (int i = 0; i < GetShaderCount(); ++i) qdbg("shader %d: %s\n", i, shaders[static_cast<std::size_t>(i)]->name.CStr());
  qdbg("---\n");
}

void DWorld::DbgPrintObjects() const {
  qdbg("DWorld objects (count=%d):\n", GetItemCount());
  for (int i = 0; i < GetItemCount(); ++i) {
    const DGeode *geode = items[static_cast<std::size_t>(i)]->geob->GetGeode();
    qdbg("obj %d: %s\n", i, geode ? geode->GetName() : "");
  }
  qdbg("---\n");
}
