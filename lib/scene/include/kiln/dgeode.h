// A model: a named set of materials and geobs read from one model file.
#pragma once

#include <kiln/dbox.h>
#include <kiln/dobject.h>
#include <kiln/qstring.h>

class DGeob;
class DMaterial;

enum DGeodeFlags {
  DGEODE_FALSE_COLORS = 1,   // bursts and materials in flat colours that tell them apart
  DGEODE_GEOMETRY_ONLY = 2  // no materials, one pass
};

class DGeode : public DObject {
public:
  static constexpr int kMaxMaterials = 1000;
  static constexpr int kMaxGeobs = 200;

  explicit DGeode(const char *name = nullptr);
  DGeode(const DGeode &) = delete;
  DGeode &operator=(const DGeode &) = delete;
  // Deletes every geob and every material.
  ~DGeode() override;

  // Every geob, then every geob again in its transparent pass, so that the
  // blended bursts come after all others.
  virtual void Paint();

  // Takes ownership; false (and deletes nothing) when the table is full.
  bool AddMaterial(DMaterial *material);
  bool AddGeob(DGeob *geob);
  DMaterial *GetMaterial(int index) const;
  DGeob *GetGeob(int index) const;
  int GetMaterialCount() const { return materialCount; }
  int GetGeobCount() const { return geobCount; }
  // The first material of exactly that name.
  DMaterial *FindMaterial(const char *name) const;

  const char *GetName() const { return name.CStr(); }
  void SetName(const char *newName) { name = newName ? newName : ""; }
  const char *GetPath() const { return path.CStr(); }
  // None gives the empty text.
  void SetPath(const char *newPath) { path = newPath ? newPath : ""; }
  // "path/name" when that file exists, else "images/name" when that one
  // does, else the name.
  void ResolveTextureName(const char *textureName, qstring &result) const;

  int GetFlags() const { return geodeFlags; }
  void SetFalseColors(bool on);
  void SetGeometryOnly(bool on);
  // A number from 0 to 7 that tells geodes apart in false colours.
  int GetFalseColorSeed() const { return falseColorSeed; }

  // Over the geobs that have vertices; `center` becomes its midpoint.
  void GetBoundingBox(DBox *box);
  const float *GetCenter() const { return center; }

private:
  qstring name, path;
  DMaterial *materials[kMaxMaterials] = {};
  int materialCount = 0;
  int geodeFlags = 0;
  float center[3] = {0, 0, 0};
  DGeob *geobs[kMaxGeobs] = {};
  int geobCount = 0;
  int falseColorSeed;
};
