/// \file
/// DGeode, a model with its levels of detail, and d3LoadModel().
#pragma once

#include <kiln/dbox.h>
#include <kiln/dobject.h>
#include <kiln/qstring.h>

class DGeob;
class DMaterial;
class QArchive;
class QFile;

/// How a geode paints.
enum DGeodeFlags {
  DGEODE_FALSE_COLORS = 1,   ///< bursts and materials in flat colours that tell them apart
  DGEODE_GEOMETRY_ONLY = 2  ///< no materials, one pass
};

/// A model: a named set of materials and geobs read from one model file
/// (the "DOF1" container), and a table of up to ten levels of detail, each a
/// geode of its own read from a file of its own.
class DGeode : public DObject {
public:
  static constexpr int kMaxMaterials = 1000;  ///< the most materials a geode holds
  static constexpr int kMaxGeobs = 200;       ///< the most geobs a geode holds
  static constexpr int kMaxLevels = 10;       ///< levels of detail, this one included

  /// An empty geode of that name (copied).
  explicit DGeode(const char *name = nullptr);
  /// A copy with its own materials (deep copies) and geobs that share the
  /// source's arrays, and the source's levels: all of these stay the
  /// source's, which must outlive the copy.
  explicit DGeode(const DGeode &source);
  DGeode &operator=(const DGeode &) = delete;
  /// Deletes the lower levels, every geob and every material it owns.
  ~DGeode() override;

  /// Every geob, then every geob again in its transparent pass, so that the
  /// blended bursts are painted once more after all others.
  virtual void Paint();

  /// Reads a "DOF1" container, replacing what was held. False for a file
  /// that is no container, damage (a cut inside a chunk included), or a
  /// geob that can't be read; a file that ends between chunks loads.
  bool ImportDOF(QFile *file);
  /// Writes the geode as a "DOF1" container at the file's position; false
  /// when a write fails.
  bool ExportDOF(QFile *file) const;

  ///@{
  /// Takes ownership; false (and deletes nothing) when the table is full.
  bool AddMaterial(DMaterial *material);
  bool AddGeob(DGeob *geob);
  ///@}
  ///@{
  /// None outside the tables.
  DMaterial *GetMaterial(int index) const;
  DGeob *GetGeob(int index) const;
  ///@}
  ///@{
  /// The number held.
  int GetMaterialCount() const { return materialCount; }
  int GetGeobCount() const { return geobCount; }
  ///@}
  /// The first material of exactly that name.
  DMaterial *FindMaterial(const char *name) const;

  ///@{
  /// The name: the model file's name when loaded.
  const char *GetName() const { return name.CStr(); }
  void SetName(const char *newName) { name = newName ? newName : ""; }
  ///@}
  /// The directory textures are looked for in.
  const char *GetPath() const { return path.CStr(); }
  /// None gives the empty text.
  void SetPath(const char *newPath) { path = newPath ? newPath : ""; }
  /// "path/name" when that file exists, else "images/name" when that one
  /// does, else the name.
  void ResolveTextureName(const char *textureName, qstring &result) const;

  ///@{
  /// The geob edits (DGeob), on every geob of this level; CheckIndices stops
  /// at the first geob that fails.
  void Rotate(float angle);
  void Translate(float x, float y, float z);
  void ScaleVertices(float x, float y, float z);
  void FreeNormals();
  bool CheckIndices() const;
  ///@}
  ///@{
  /// On every geob of every level: vertex buffer objects, and the
  /// application's flags DGOB_APP_1 and DGOB_APP_2.
  void EnableVBO();
  void DisableVBO();
  void SetGeobFlag1(bool on);
  void SetGeobFlag2(bool on);
  ///@}

  /// The DGeodeFlags.
  int GetFlags() const { return geodeFlags; }
  ///@{
  /// Switches a DGeodeFlags bit.
  void SetFalseColors(bool on);
  void SetGeometryOnly(bool on);
  ///@}
  /// A number from 0 to 7 that tells geodes apart in false colours.
  int GetFalseColorSeed() const { return falseColorSeed; }

  /// Over the geobs that have vertices; `center` becomes its midpoint.
  void GetBoundingBox(DBox *box);
  ///@{
  /// The midpoint the last GetBoundingBox() found (three floats), or one
  /// set.
  const float *GetCenter() const { return center; }
  void SetCenter(const float point[3]);
  ///@}

  /// Levels of detail: entry 0 is this geode; the highest level owns the
  /// lower ones in entries 1 to 9.
  DGeode *GetLevel(int index) const;
  /// Puts a geode (owned from now on) in an entry from 1 to 9.
  void SetLevel(int index, DGeode *level);
  int lodIndex = 0;  ///< which level this geode is
  ///@{
  /// The distances between which this level is shown.
  float lodNear = 0, lodFar = 99999.0f;
  ///@}

private:
  void Clear();
  /// Calls `apply` with every geob of every level.
  template <typename Apply>
  void ForEveryLevelsGeob(Apply apply);

  float center[3] = {0, 0, 0};  ///< beside the level's distances: culling reads them together
  qstring name, path;
  DMaterial *materials[kMaxMaterials] = {};
  int materialCount = 0;
  int geodeFlags = 0;
  DGeode *lod[kMaxLevels] = {};
  bool ownsLevels = true;
  DGeob *geobs[kMaxGeobs] = {};
  int geobCount = 0;
  int falseColorSeed;
};

/// Loads a model and, when asked, its levels of detail "%s_lod%d.dof" beside
/// it, from the files or, where one is missing, from the archive. Each
/// level's range starts at its distance (times the global LOD scale) and
/// ends at the next level's, the last at `farDistance`. Null, with two
/// warnings, when the model itself can't be loaded.
DGeode *d3LoadModel(const char *fileName, QArchive *archive = nullptr, const float *lodDistances = nullptr,
                    float farDistance = 99999.0f, bool loadLevels = true);
