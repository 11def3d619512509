// Vertex and fragment program entries, kept by file name for the shaders
// that name them. No program text is read or compiled: an entry stands for
// the program a shader names.
#pragma once

#include <kiln/qobjectmanager.h>

class DGPUShader {
public:
  enum Kind { VERTEX = 0, FRAGMENT = 1 };

  explicit DGPUShader(int kind) : kind(kind) {}
  virtual ~DGPUShader() = default;
  int kind;
};

class DGPUShaderManager : public QObjectManager {
public:
  // The first "directory/name" of the search path where the file exists.
  void PrepareName(qstring &name) override;
  void *MakeObject(const char *name) override;
  void ReleaseObject(void *object) override;
  void DbgPrint(const char *title) override;

  // A reference number with one reference taken; 0 when none can be had.
  int LoadVertexShader(const char *file);
  int LoadFragmentShader(const char *file);
  // None for 0 or less (with a warning), beyond the table or a free slot.
  DGPUShader *GetGPUShader(int reference) const;

  int GetFlags() const { return flags; }

private:
  int flags = 0;  // bit 0: an entry was made or released
  int loading = DGPUShader::VERTEX;
};
