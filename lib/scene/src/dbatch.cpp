#include <kiln/dbatch.h>

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/dtexture.h>
#include <kiln/qdebug.h>

#include <GL/gl.h>

void DBatch::Reset() {
  groupCount = 0;
  entryCount = 0;
  flags &= ~1;
}

int DBatch::FindGroup(DTexture *key) {
  for (int i = 0; i < groupCount; ++i) {
    if (groups[i].key == key) return i;
  }
  if (groupCount >= kMaxGroups) return -1;
  groups[groupCount] = Group{key, nullptr, nullptr};
  return groupCount++;
}

void DBatch::Add(DGeode *geode) {
  for (int g = 0; g < geode->GetGeobCount(); ++g) {
    DGeob *geob = geode->GetGeob(g);
    for (int burst = 0; burst < geob->GetBurstCount(); ++burst) {
      DMaterial *material = geob->GetBurstMaterial(geob->burstMtlID[burst]);
      DTexture *key = material ? material->GetTexture(0) : nullptr;
      if (!key) continue;
      if (entryCount >= kMaxEntries) {
        qwarn("DBatch rendering overflow (max geob=%d)", kMaxEntries);
        return;
      }
      const int group = FindGroup(key);
      if (group < 0) return;
      Entry &entry = entries[entryCount++];
      entry = Entry{groups[group].head, geob, static_cast<int16_t>(burst), static_cast<int16_t>(key->IsTransparent())};
      groups[group].head = &entry;
      groups[group].material = material;
      if (entry.transparent) flags |= 1;
    }
  }
}

void DBatch::PaintGroup(const Group &group) {
  group.material->PrepareToPaint(0);
  for (const Entry *entry = group.head; entry; entry = entry->next) entry->geob->PaintBurst(entry->burst);
  group.material->FinishPaint(0);
}

void DBatch::Paint() {
  glPushAttrib(GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
  glEnableClientState(GL_VERTEX_ARRAY);
  if (flags & 1) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    for (int i = 0; i < groupCount; ++i) {
      if (!groups[i].key->IsTransparent()) PaintGroup(groups[i]);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    for (int i = 0; i < groupCount; ++i) {
      if (groups[i].key->IsTransparent()) PaintGroup(groups[i]);
    }
    glDisable(GL_ALPHA_TEST);
  } else {
    for (int i = 0; i < groupCount; ++i) PaintGroup(groups[i]);
  }
  glDisableClientState(GL_VERTEX_ARRAY);
  glPopAttrib();
  Reset();
}
