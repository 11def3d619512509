// A material chunk from arbitrary bytes, read from memory, its texture names
// resolving beside a model in an empty directory. Textures need a GL
// context.
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/qfile.h>

#include <cstdint>

#include "fuzz_gl.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = kiln::fuzz::SilenceDiagnostics() && kiln::fuzz::MakeGLContext();
  static const kiln::fuzz::EmptyDirectory empty;
  (void)ready;
  DGeode geode("fuzz.dof");
  geode.SetPath(empty.path.c_str());
  QFile in("fuzz.dof", const_cast<uint8_t *>(data), static_cast<long>(size));
  DMaterial material;
  if (!material.ImportDOF(&in, &geode)) return 0;
  for (int layer = 0; layer < material.GetLayerCount(); ++layer) {
    if (material.PrepareToPaint(layer)) material.FinishPaint(layer);
  }
  DMaterial copy(material);
  return 0;
}
