// A shader file from arbitrary text: every "shader_" tree goes through the
// loader with an environment source offering its maps; the paint order
// must hold on every pair, and once the shaders are gone every texture
// must have been given back. Map files are looked for under an empty
// directory. The same bytes are then loaded by a world, with its progress
// callback. Textures need a GL context.
#include <kiln/dbitmaptexture.h>
#include <kiln/denvironmentsource.h>
#include <kiln/dglobal.h>
#include <kiln/dshader.h>
#include <kiln/dtexturepool.h>
#include <kiln/dworld.h>
#include <kiln/qbitmap.h>
#include <kiln/qinfo.h>
#include <kiln/qutil.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_gl.h"
#include "fuzz_support.h"
#include "shader_order.h"

namespace {

// Offers three maps and no mirror; each map must end with the source's
// own reference only.
class Source : public DEnvironmentSource {
public:
  Source() {
    QBitMap pixel(32, 1, 1);
    for (auto &map : maps) map = new DBitMapTexture(&pixel);
  }
  DTexture *GetEnvironmentMap() override { return maps[0]; }
  DTexture *GetSunMap() override { return maps[1]; }
  DTexture *GetNormalizationMap() override { return maps[2]; }
  DTexture *GetMirror() override { return nullptr; }
  bool HoldsItsOwnOnly() const {
    for (const DTexture *map : maps) {
      if (map->GetRefCount() != 1) return false;
    }
    return true;
  }

private:
  DTexture *maps[3];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = kiln::fuzz::SilenceDiagnostics() && kiln::fuzz::MakeGLContext();
  static const kiln::fuzz::EmptyDirectory empty;
  static const std::string prefix = empty.path + "/";
  static kiln::fuzz::MemoryFile text;
  static Source *source = new Source;
  (void)ready;
  d3Global().flags |= DGF_USE_POOL;
  d3Global().envSources[0] = source;
  text.Fill(data, size);
  {
    QInfo info(text.Path());
    std::vector<std::unique_ptr<DShader>> shaders;
    QInfoIterator trees(&info, "");
    for (qstring path; trees.GetNext(path, false) && shaders.size() < 24;) {
      if (std::string(path.CStr()).rfind("shader_", 0) != 0) continue;
      shaders.push_back(std::make_unique<DShader>());
      DShaderLoader().Load(info, path.CStr(), shaders.back().get(), prefix.c_str());
    }
    kiln::fuzz::CheckShaderOrder(shaders);
  }
  {
    // The same bytes as a shader file of a world, which names its shaders
    // after the file's directory: a file of its own there, gone after.
    static const kiln::fuzz::EmptyDirectory home;
    static const std::string file = home.path + "/world.shd";
    QWriteFile(file.c_str(), data, static_cast<long>(size));
    DWorld world;
    world.SetProgress([](int index, int total, const char *) {
      if (index < 0 || index >= total) __builtin_trap();
    });
    world.LoadShaders(file.c_str());
    std::remove(file.c_str());
    world.SortByShader();
  }
  if (d3Global().pool->GetCount() != 0 || !source->HoldsItsOwnOnly()) __builtin_trap();
  return 0;
}
