/// \file
/// Vertex and fragment program entries, kept by file name for the shaders
/// that name them. No program text is read or compiled: an entry stands for
/// the program a shader names.
#pragma once

#include <kiln/qobjectmanager.h>

/// A vertex or fragment program entry.
class DGPUShader {
public:
  /// The kinds of program.
  enum Kind { VERTEX = 0, FRAGMENT = 1 };

  /// An entry of that Kind.
  explicit DGPUShader(int kind) : kind(kind) {}
  virtual ~DGPUShader() = default;
  int kind;  ///< Kind
};

/// The program entries by file name and reference number, found along the
/// 3D library's search path.
class DGPUShaderManager : public QObjectManager {
public:
  /// The first "directory/name" of the search path where the file exists.
  void PrepareName(qstring &name) override;
  /// A new entry of the kind being loaded.
  void *MakeObject(const char *name) override;
  /// Deletes the entry.
  void ReleaseObject(void *object) override;
  /// Lists the entries under the title on the debug output.
  void DbgPrint(const char *title) override;

  ///@{
  /// A reference number with one reference taken; 0 when none can be had.
  int LoadVertexShader(const char *file);
  int LoadFragmentShader(const char *file);
  ///@}
  /// None for 0 or less (with a warning), beyond the table or a free slot.
  DGPUShader *GetGPUShader(int reference) const;

  /// Bit 0: an entry was made or released.
  int GetFlags() const { return flags; }

private:
  int flags = 0;  ///< bit 0: an entry was made or released
  int loading = DGPUShader::VERTEX;
};
