// How the bursts of geometry that use it are painted: lighting colours and
// shininess, up to ten textures, a blend mode, up to ten layers (the base
// layer and extra passes such as an environment map), sub-materials chosen
// per burst, and optionally a shader that takes over. Stored in model files
// as a "MAT0" chunk.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qstring.h>

class DGeode;
class DShader;
class DTexture;
class QFile;

namespace kiln::dof {
class Reader;
class Writer;
struct Span;
}  // namespace kiln::dof

enum DMaterialFlags {
  DMF_KEEP_TEXTURING = 1,  // leave the texturing enable alone
  DMF_NO_LIGHTING = 2,     // do not set the lighting colours
  DMF_NO_BLENDING = 4,     // do not set up blending
  DMF_FLAT_COLOR = 8,      // paint with the colour, no texture, no vertex colours
  DMF_BLENDED = 0x10       // painted without depth writes, and again in the transparent pass
};

enum DMaterialCreationFlags { DMCF_ENVMAP = 1 };

struct DMaterialLayer {
  enum Type { ENVMAP = 1 };  // sphere-mapped environment map

  DTexture *texture = nullptr;  // one reference held by the material
  int type = 0;
  float strength = 0;  // the constant blend colour
};

class DMaterial {
public:
  static constexpr int kMaxTextures = 10;
  static constexpr int kMaxLayers = 10;
  static constexpr int kMaxSubMaterials = 150;
  // Sub-materials hold sub-materials; files nested deeper are damaged.
  static constexpr int kMaxNesting = 32;

  DMaterial();
  // Copies the look: names, flags, colours, blending, the textures (each
  // with a reference of its own), deep copies of the sub-materials, and the
  // shader. Layers and the file's other fields start anew.
  DMaterial(const DMaterial &other);
  DMaterial &operator=(const DMaterial &) = delete;
  // Deletes sub-materials and layers and releases the textures.
  ~DMaterial();

  // Reads one "MAT0" chunk at the file's position; textures are looked for
  // beside the geode's file when there is one. False for a damaged chunk.
  bool ImportDOF(QFile *file, DGeode *geode);
  bool ExportDOF(QFile *file) const;

  // Adds the texture of the image file (shared through the pool when it
  // holds one); false when ten are held.
  bool AddTexture(const char *name);
  // The same from the image at `path`, written back under `nameInFile`.
  bool AddTextureAs(const char *path, const char *nameInFile);
  bool AddLayer(const DMaterialLayer &layer);
  // Takes ownership; false (the caller keeps it) when 150 are held.
  bool AddSubMaterial(DMaterial *material);
  void SetFlags(int mask) { flags |= mask; }
  void ClearFlags(int mask) { flags &= ~mask; }

  // Sets the GL state for a layer; false: this layer is not to be drawn.
  bool PrepareToPaint(int layer);
  void FinishPaint(int layer);

  DTexture *GetTexture(int index) const;
  // The name the texture is written back under: as it stood in the file.
  const char *GetTextureName(int index) const;
  int GetTextureCount() const { return textureCount; }
  const DMaterialLayer *GetLayer(int index) const;
  int GetLayerCount() const { return layerCount; }
  DMaterial *GetSubMaterial(int index) const;
  int GetSubMaterialCount() const { return subMaterialCount; }
  bool IsBlended() const { return flags & DMF_BLENDED; }

  qstring name, className;
  int flags = 0;
  int creationFlags = 0;
  QColor color;
  float ambient[4] = {0.2f, 0.2f, 0.2f, 0.2f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float specular[4] = {0, 0, 0, 1.0f};
  float emission[4] = {0, 0, 0, 1.0f};
  float shininess = 0;
  float transparency = 0;  // carried through, not painted
  int blendMode = 0;       // 0 none, 1 alpha blending
  float uvw[7] = {0, 0, 1, 1, 0, 0, 0};  // carried through, not painted
  DShader *shader = nullptr;             // found for this material; not owned

private:
  // One "MAT0" chunk that must end by `limit` (its parent's end, or the file's).
  bool ImportChunk(kiln::dof::Reader &in, QFile *file, DGeode *geode, int depth, long limit);
  bool ReadTextures(kiln::dof::Reader &in, const kiln::dof::Span &span, DGeode *geode);
  bool ReadSubMaterials(kiln::dof::Reader &in, const kiln::dof::Span &span, QFile *file, DGeode *geode,
                        int depth);
  // Colours of alpha 0 would make the model transparent: all become 1.
  void RepairAlphas(QFile *file);
  // Gives the name its shader style and takes the shader of that name.
  void FindShader(QFile *file);
  void ExportChunk(kiln::dof::Writer &out) const;

  bool HasEnvironmentLayer() const;
  // The environment layer is drawn with layer 0 by a second texture unit.
  bool EnvironmentByMultitexture() const;
  void PrepareEnvironmentUnit() const;
  bool PrepareLayer(const DMaterialLayer &layer) const;

  DTexture *textures[kMaxTextures] = {};
  bool createdHere[kMaxTextures] = {};
  qstring textureNames[kMaxTextures];
  int textureCount = 0;
  DMaterialLayer *layers[kMaxLayers] = {};  // slot 0 is the material itself
  int layerCount = 1;
  DMaterial *subMaterials[kMaxSubMaterials] = {};
  int subMaterialCount = 0;
};
