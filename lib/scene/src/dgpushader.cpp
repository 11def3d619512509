#include <kiln/dgpushader.h>

#include <kiln/dglobal.h>
#include <kiln/qdebug.h>
#include <kiln/qutil.h>

#include <string>

void DGPUShaderManager::PrepareName(qstring &name) {
  const QPath &path = d3Global().path;
  for (int i = 0; i < path.GetCount(); ++i) {
    const std::string candidate = std::string(path.GetPath(i)) + "/" + name.CStr();
    if (QFileExists(candidate.c_str())) {
      name = candidate.c_str();
      return;
    }
  }
}

void *DGPUShaderManager::MakeObject(const char *name) {
  qdbg("DGPUShaderManager: load '%s'\n", name);
  flags |= 1;
  return new DGPUShader(DGPUShader::VERTEX);
}

void DGPUShaderManager::ReleaseObject(void *object) {
  flags |= 1;
  delete static_cast<DGPUShader *>(object);
}

void DGPUShaderManager::DbgPrint(const char *title) { qdbg("DGPUShaderManager:DbgPrint(%s)", title); }

int DGPUShaderManager::LoadVertexShader(const char *file) {
  loading = DGPUShader::VERTEX;
  return FindOrMake(file);
}

int DGPUShaderManager::LoadFragmentShader(const char *file) {
  loading = DGPUShader::FRAGMENT;
  // An entry loaded as a vertex program before becomes a fragment program.
  const int reference = FindOrMake(file);
  if (reference > 0) static_cast<DGPUShader *>(GetObject(reference))->kind = DGPUShader::FRAGMENT;
  return reference;
}

DGPUShader *DGPUShaderManager::GetGPUShader(int reference) const {
  if (reference <= 0 || reference > count) {
    qwarn("DGPUShaderManager:GetGPUShader(ref=%d) out of range", reference);
    return nullptr;
  }
  return static_cast<DGPUShader *>(objects[reference - 1]);
}
