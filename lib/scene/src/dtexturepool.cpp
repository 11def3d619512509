#include <kiln/dtexturepool.h>

#include <kiln/dtexture.h>
#include <kiln/qdebug.h>
#include <kiln/qmemory.h>
#include <kiln/qutil.h>

#include <cstring>

DTexturePool::~DTexturePool() { Clear(); }

bool DTexturePool::Add(const char *name, DTexture *texture) {
  if (DTexture *held = Find(name); held) return true;
  if (count >= kCapacity) {
    qwarn("DTexturePool:Add(); max reached (%d)", kCapacity);
    return false;
  }
  names[count] = QStrDup(name);
  textures[count] = texture;
  ++count;
  return true;
}

DTexture *DTexturePool::Find(const char *name) const {
  for (int i = 0; i < count; ++i) {
    if (std::strcmp(names[i], name) == 0) return textures[i];
  }
  return nullptr;
}

void DTexturePool::Remove(DTexture *texture) {
  if (!texture) {
    qwarn("DTexturePool:Remove() null arg\n");
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (textures[i] != texture) continue;
    QFree(names[i]);
    std::memmove(names + i, names + i + 1, sizeof names[0] * static_cast<std::size_t>(count - i - 1));
    std::memmove(textures + i, textures + i + 1, sizeof textures[0] * static_cast<std::size_t>(count - i - 1));
    --count;
    return;
  }
}

int DTexturePool::FindAll(const char *pattern, void (*callback)(DTexture *texture)) const {
  qdbg("DTexturePool:FindAll(%s)\n", pattern);
  int found = 0;
  for (int i = 0; i < count; ++i) {
    if (!QMatch(pattern, names[i])) continue;
    ++found;
    if (callback) callback(textures[i]);
  }
  return found;
}

void DTexturePool::Clear() {
  for (int i = 0; i < count; ++i) QFree(names[i]);
  count = 0;
}

void DTexturePool::DbgPrint(const char *title) const {
  qdbg("DTexturePool (%s); %d textures\n", title, count);
  for (int i = 0; i < count; ++i) {
    qdbg("  tex[%d]=%p: '%s' (refCount %d)\n", i, static_cast<void *>(textures[i]), names[i],
         textures[i]->GetRefCount());
  }
}
