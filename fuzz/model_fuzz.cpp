// A model file from arbitrary bytes, read from memory: what reads is
// checked, gives each material's shader (the paint order must hold on
// every pair), and is written and read back until its writing settles.
// Textures need a GL context.
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dshader.h>
#include <kiln/dtexturepool.h>
#include <kiln/qfile.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz_gl.h"
#include "fuzz_support.h"
#include "shader_order.h"

namespace {

using kiln::fuzz::MemoryFile;

std::vector<char> Written(const DGeode &geode, const MemoryFile &out) {
  {
    QFile file(out.Path(), QFile::WRITE);
    if (!geode.ExportDOF(&file)) __builtin_trap();
  }
  return out.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = kiln::fuzz::SilenceDiagnostics() && kiln::fuzz::MakeGLContext();
  static const kiln::fuzz::EmptyDirectory empty;
  static MemoryFile out;
  (void)ready;
  d3Global().flags |= DGF_USE_POOL;
  {
    DGeode geode("fuzz.dof");
    geode.SetPath(empty.path.c_str());
    QFile in("fuzz.dof", const_cast<uint8_t *>(data), static_cast<long>(size));
    if (!geode.ImportDOF(&in)) return 0;
    geode.CheckIndices();
    std::vector<std::unique_ptr<DShader>> shaders;
    for (int i = 0; i < std::min(geode.GetMaterialCount(), 24); ++i) {
      shaders.push_back(std::make_unique<DShader>());
      shaders.back()->CreateFromMaterial(geode.GetMaterial(i));
    }
    kiln::fuzz::CheckShaderOrder(shaders);
    // A writing read back is written the same, once the reader's renaming
    // has settled: a material named after its texture ("*hull.tga") is read
    // back as "hull", and one whose empty name came after its textures in
    // the file only takes the texture's name when read back. From the third
    // writing on, nothing changes.
    std::vector<char> written = Written(geode, out);
    for (int round = 0; round < 3; ++round) {
      DGeode again("fuzz.dof");
      again.SetPath(empty.path.c_str());
      {
        QFile reread(out.Path(), QFile::READ);
        if (!again.ImportDOF(&reread)) __builtin_trap();
      }
      std::vector<char> rewritten = Written(again, out);
      if (round == 2 && rewritten != written) __builtin_trap();
      written = std::move(rewritten);
    }
  }
  // Every texture was given back by everything that held it.
  if (d3Global().pool->GetCount() != 0) __builtin_trap();
  return 0;
}
