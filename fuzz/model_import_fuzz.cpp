// Arbitrary bytes as a model of another format (the first byte picks OBJ,
// PLY, STL or glTF) through Assimp and the converter, with no other file
// reachable; a model that converts must write as a model file and read
// back with every geob.
#include <kiln/dgeode.h>
#include <kiln/qfile.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "fuzz_support.h"
#include "model_import.h"

// Some files make Assimp ask for gigabytes (a PLY element of billions of
// vertices, a face list of hundreds of millions of indices): on the 32-bit
// machines the library is made for, that allocation fails with
// std::bad_alloc, which Assimp turns into an import error, and kiln-model
// says so. The sanitizer's own operator new ends the process instead (and
// libFuzzer's limit is two gigabytes), so here the global one fails above a
// gigabyte, as a 32-bit process's soon would.
void *operator new(std::size_t size) {
  constexpr std::size_t kMost = std::size_t{1} << 30;
  void *memory = size <= kMost ? std::malloc(size ? size : 1) : nullptr;
  if (!memory) throw std::bad_alloc();
  return memory;
}
void *operator new[](std::size_t size) { return operator new(size); }
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }
// Memory from the other forms of new (Assimp's nothrow and aligned ones)
// reaches the delete above.
extern "C" const char *__asan_default_options() { return "alloc_dealloc_mismatch=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = kiln::fuzz::SilenceDiagnostics();
  static kiln::fuzz::MemoryFile written;
  (void)ready;
  if (size < 1) return 0;
  const char *hints[] = {"obj", "ply", "stl", "gltf"};
  std::string error;
  std::unique_ptr<DGeode> geode = kiln::model::ImportModelFromMemory(data + 1, size - 1, hints[data[0] % 4], "", &error);
  if (!geode) return 0;
  {
    QFile out(written.Path(), QFile::WRITE);
    if (!out.IsOpen() || !geode->ExportDOF(&out)) __builtin_trap();
  }
  QFile in(written.Path(), QFile::READ);
  DGeode back;
  if (!back.ImportDOF(&in) || back.GetGeobCount() != geode->GetGeobCount()) __builtin_trap();
  return 0;
}
