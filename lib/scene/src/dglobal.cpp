#include <kiln/dglobal.h>

#include <kiln/dbatch.h>
#include <kiln/dgpushader.h>
#include <kiln/dtexturemanager.h>
#include <kiln/dtexturepool.h>
#include <kiln/qapp.h>
#include <kiln/qdebug.h>

#include <cstring>

namespace {

DGlobal *living = nullptr;

struct FilterName {
  const char *name;
  GLenum value;
};

constexpr FilterName kFilters[] = {
    {"GL_NEAREST", GL_NEAREST},
    {"GL_LINEAR", GL_LINEAR},
    {"GL_NEAREST_MIPMAP_NEAREST", GL_NEAREST_MIPMAP_NEAREST},
    {"GL_LINEAR_MIPMAP_NEAREST", GL_LINEAR_MIPMAP_NEAREST},
    {"GL_NEAREST_MIPMAP_LINEAR", GL_NEAREST_MIPMAP_LINEAR},
    {"GL_LINEAR_MIPMAP_LINEAR", GL_LINEAR_MIPMAP_LINEAR},
};

}  // namespace

DGlobal::DGlobal()
    : pool(std::make_unique<DTexturePool>()),
      textureManager(std::make_unique<DTextureManager>()),
      gpuShaderManager(std::make_unique<DGPUShaderManager>()),
      batch(std::make_unique<DBatch>()) {
  living = this;
  QApp::SetReleaseHook([] { d3Global().Release(); });
}

DGlobal::~DGlobal() {
  QApp::SetReleaseHook(nullptr);
  living = nullptr;
  pool.reset();
  textureManager.reset();
  gpuShaderManager.reset();
  batch.reset();
  path.Clear();
}

void DGlobal::Release() {
  batch->Reset();
  envMap = nullptr;
  envSources[0] = envSources[1] = nullptr;
  shaderRender = nullptr;
}

DTexturePool *DGlobal::LivingPool() { return living ? living->pool.get() : nullptr; }

DGlobal *DGlobal::Living() { return living; }

GLenum DGlobal::FilterS2N(const char *name) {
  for (const FilterName &filter : kFilters) {
    if (std::strcmp(filter.name, name) == 0) return filter.value;
  }
  qwarn("DGlobal::FilterS2N(%s) unknown", name);
  return GL_NEAREST;
}

const char *DGlobal::FilterN2S(GLenum value) {
  for (const FilterName &filter : kFilters) {
    if (filter.value == value) return filter.name;
  }
  qwarn("DGlobal::FilterN2S(%d) unknown", static_cast<int>(value));
  return "???";
}

DGlobal &d3Global() {
  static DGlobal global;
  return global;
}
