/// \file
/// How the bursts of geometry that use it are painted: lighting colours and
/// shininess, up to ten textures, a blend mode, up to ten layers (the base
/// layer and extra passes such as an environment map), sub-materials chosen
/// per burst, and optionally a shader that takes over. Stored in model files
/// as a "MAT0" chunk.
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

/// How a material paints.
enum DMaterialFlags {
  DMF_KEEP_TEXTURING = 1,  ///< leave the texturing enable alone
  DMF_NO_LIGHTING = 2,     ///< do not set the lighting colours
  DMF_NO_BLENDING = 4,     ///< do not set up blending
  DMF_FLAT_COLOR = 8,      ///< paint with the colour, no texture, no vertex colours
  DMF_BLENDED = 0x10       ///< painted without depth writes, and again in the transparent pass
};

/// What a material is made with, as its file says.
enum DMaterialCreationFlags {
  DMCF_ENVMAP = 1  ///< with the global environment map as a layer
};

/// An extra pass of a material over its geometry.
struct DMaterialLayer {
  /// The kinds of layer.
  enum Type {
    ENVMAP = 1  ///< sphere-mapped environment map
  };

  DTexture *texture = nullptr;  ///< one reference held by the material
  int type = 0;                 ///< Type
  float strength = 0;  ///< the constant blend colour
};

/// How a surface looks: colours, shininess, blending, up to ten textures,
/// extra layers and sub-materials for the bursts that name them; read from
/// and written to a model file's "MAT0" chunks. A shader of the same name,
/// when the shader renderer has one, paints the material in a world.
class DMaterial {
public:
  static constexpr int kMaxTextures = 10;       ///< textures a material holds
  static constexpr int kMaxLayers = 10;         ///< layers, the material itself included
  static constexpr int kMaxSubMaterials = 150;  ///< sub-materials a material holds
  /// Sub-materials hold sub-materials; files nested deeper are damaged.
  static constexpr int kMaxNesting = 32;

  DMaterial();
  /// Copies the look: names, flags, colours, blending, the textures (each
  /// with a reference of its own), deep copies of the sub-materials, and the
  /// shader. Layers and the file's other fields start anew.
  DMaterial(const DMaterial &other);
  DMaterial &operator=(const DMaterial &) = delete;
  /// Deletes sub-materials and layers and releases the textures.
  ~DMaterial();

  /// Reads one "MAT0" chunk at the file's position; textures are looked for
  /// beside the geode's file when there is one. False for a damaged chunk.
  bool ImportDOF(QFile *file, DGeode *geode);
  /// Writes the material and its sub-materials as "MAT0" chunks; false when
  /// a write fails.
  bool ExportDOF(QFile *file) const;

  /// Adds the texture of the image file (shared through the pool when it
  /// holds one); false when ten are held.
  bool AddTexture(const char *name);
  /// The same from the image at `path`, written back under `nameInFile`.
  bool AddTextureAs(const char *path, const char *nameInFile);
  /// Adds an extra layer (its texture gains a reference); false, with a
  /// warning, when ten are held.
  bool AddLayer(const DMaterialLayer &layer);
  /// Takes ownership; false (the caller keeps it) when 150 are held.
  bool AddSubMaterial(DMaterial *material);
  ///@{
  /// Sets or clears DMaterialFlags bits.
  void SetFlags(int mask) { flags |= mask; }
  void ClearFlags(int mask) { flags &= ~mask; }
  ///@}

  /// Sets the GL state for a layer; false: this layer is not to be drawn.
  bool PrepareToPaint(int layer);
  /// Undoes what PrepareToPaint() set that others would inherit (texture
  /// coordinate generation, the second texture unit).
  void FinishPaint(int layer);

  /// A texture (the material holds a reference), or null out of range.
  DTexture *GetTexture(int index) const;
  /// The name the texture is written back under: as it stood in the file.
  const char *GetTextureName(int index) const;
  /// The number of textures.
  int GetTextureCount() const { return textureCount; }
  /// An extra layer (1 and up; 0 is the material itself), or null.
  const DMaterialLayer *GetLayer(int index) const;
  /// The number of layers, the material itself included.
  int GetLayerCount() const { return layerCount; }
  /// A sub-material (owned by this one), or null out of range.
  DMaterial *GetSubMaterial(int index) const;
  /// The number of sub-materials.
  int GetSubMaterialCount() const { return subMaterialCount; }
  /// True when painted with blending (DMF_BLENDED).
  bool IsBlended() const { return flags & DMF_BLENDED; }

  ///@{
  /// The material's name (its shader's too) and the class the file gives.
  qstring name, className;
  ///@}
  int flags = 0;          ///< DMaterialFlags
  int creationFlags = 0;  ///< DMaterialCreationFlags
  QColor color;           ///< the flat colour (DMF_FLAT_COLOR)
  float ambient[4] = {0.2f, 0.2f, 0.2f, 0.2f};  ///< lighting colours, RGBA
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};  ///< lighting colours, RGBA
  float specular[4] = {0, 0, 0, 1.0f};          ///< lighting colours, RGBA
  float emission[4] = {0, 0, 0, 1.0f};          ///< lighting colours, RGBA
  float shininess = 0;                          ///< the specular exponent
  float transparency = 0;  ///< carried through, not painted
  int blendMode = 0;       ///< 0 none, 1 alpha blending
  float uvw[7] = {0, 0, 1, 1, 0, 0, 0};  ///< carried through, not painted
  DShader *shader = nullptr;             ///< found for this material; not owned

private:
  /// One "MAT0" chunk that must end by `limit` (its parent's end, or the file's).
  bool ImportChunk(kiln::dof::Reader &in, QFile *file, DGeode *geode, int depth, long limit);
  bool ReadTextures(kiln::dof::Reader &in, const kiln::dof::Span &span, DGeode *geode);
  bool ReadSubMaterials(kiln::dof::Reader &in, const kiln::dof::Span &span, QFile *file, DGeode *geode,
                        int depth);
  /// Colours of alpha 0 would make the model transparent: all become 1.
  void RepairAlphas(QFile *file);
  /// Gives the name its shader style and takes the shader of that name.
  void FindShader(QFile *file);
  void ExportChunk(kiln::dof::Writer &out) const;

  bool HasEnvironmentLayer() const;
  /// The environment layer is drawn with layer 0 by a second texture unit.
  bool EnvironmentByMultitexture() const;
  void PrepareEnvironmentUnit() const;
  bool PrepareLayer(const DMaterialLayer &layer) const;

  DTexture *textures[kMaxTextures] = {};
  bool createdHere[kMaxTextures] = {};
  qstring textureNames[kMaxTextures];
  int textureCount = 0;
  DMaterialLayer *layers[kMaxLayers] = {};  ///< slot 0 is the material itself
  int layerCount = 1;
  DMaterial *subMaterials[kMaxSubMaterials] = {};
  int subMaterialCount = 0;
};
