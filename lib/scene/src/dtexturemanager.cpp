#include <kiln/dtexturemanager.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/dglobal.h>
#include <kiln/dtexturemap.h>
#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>

#include <memory>

void *DTextureManager::MakeObject(const char *name) {
  std::unique_ptr<QBitMap> image(d3LoadTextureMap(name));
  auto *texture = new DBitMapTexture(image.get());
  texture->SetName(name);
  return texture;
}

void DTextureManager::ReleaseObject(void *object) { static_cast<DTexture *>(object)->Detach(); }

void DTextureManager::DbgPrint(const char *title) {
  qdbg("DTextureManager (%s); %d potential textures\n", title, count);
  for (int slot = 0; slot < count; ++slot) {
    if (refCounts[slot] <= 0) continue;
    qdbg("  tex[%d]=%p: '%s' (refCount %d)\n", slot, objects[slot], names[slot] ? names[slot] : "",
         refCounts[slot]);
  }
}

DTexture *DTextureManager::GetTexture(int reference) const {
  if (reference <= 0) {
    qerr("DTextureManager:GetTexture(ref %d) out of range", reference);
    return nullptr;
  }
  return static_cast<DTexture *>(GetObject(reference));
}

DTexture *d3GetTexture(int reference) { return d3Global().textureManager->GetTexture(reference); }

int d3GetTextureReference(const char *fileName) { return d3Global().textureManager->FindOrMake(fileName); }
