/// \file
/// How geometry is painted in up to eight passes (layers), each with its own
/// texture, blending, depth and alpha tests, texture environment or
/// combiner, texture-coordinate generation, filtering, wrapping and lighting
/// colours; plus shader-wide culling, fog, sky and sort settings and GPU
/// programs. Shaders come from "shader_" trees of configuration files
/// (DShaderLoader) or from model materials (CreateFromMaterial).
#pragma once

#include <GL/gl.h>

#include <memory>

#include <kiln/qstring.h>

class DMaterial;
class DTexture;
class QInfo;

/// Shader-wide settings.
enum DShaderFlags {
  DSHADER_CULL_MASK = 3,  ///< 0 none, 1 back faces, 2 front faces
  DSHADER_FOG = 8,        ///< fog on
  DSHADER_SKY = 0x10,     ///< a sky: painted before everything else
  DSHADER_FROM_FILE = static_cast<int>(0x80000000u)  ///< loaded from a shader file
};

/// Settings of a layer.
enum DShaderLayerFlags {
  DSL_MIPMAP = 1,              ///< the layer's texture is mipmapped
  DSL_COMPRESS = 4,            ///< and stored compressed where offered
  DSL_DEPTH_TEST_OFF = 0x800,  ///< painted without the depth test
  DSL_DEPTH_WRITE = 0x1000,    ///< writes depth
  DSL_BLEND = 0x10000,         ///< blended by blendSrc and blendDst
  DSL_BIT17 = 0x20000          ///< kept for the renderer
};

/// One pass of a shader.
struct DShaderLayer {
  /// The defaults, emission the global colour offset.
  DShaderLayer();

  int flags = 0x21401;  ///< DShaderLayerFlags
  ///@{
  /// The blending factors (with DSL_BLEND).
  GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
  ///@}
  GLenum depthFunc = GL_LEQUAL;  ///< the depth test's function
  GLenum alphaFunc = GL_ALWAYS;  ///< the alpha test's function (GL_ALWAYS: off)
  float alphaRef = 0;            ///< and its reference
  GLenum texEnv = GL_REPLACE;    ///< the texture environment's mode
  GLenum combineMode = GL_MODULATE;  ///< with GL_COMBINE: how the sources combine
  GLenum combineSource[3];           ///< with GL_COMBINE: the three sources
  GLenum combineOperand[3] = {GL_SRC_COLOR, GL_SRC_COLOR, GL_SRC_COLOR};  ///< and their operands
  float combineScale = 1.0f;         ///< with GL_COMBINE: the RGB scale
  GLenum texGen[4] = {0, 0, 0, 0};  ///< s, t, r, q; 0 none
  float texGenPlanes[4][4] = {};    ///< the planes of object- and eye-linear generation
  int shininess = 0;                ///< the specular exponent
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};  ///< lighting colour, RGBA
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};  ///< lighting colour, RGBA; the colour of an untextured layer
  float specular[4] = {0, 0, 0, 1.0f};          ///< lighting colour, RGBA
  float emission[4];  ///< the global colour offset
  float texScale[4] = {1, 1, 1, 1};  ///< the texture matrix's scale
  ///@{
  /// The texture's filters.
  GLenum magFilter = GL_NEAREST, minFilter = GL_NEAREST;
  ///@}
  GLenum wrap[4] = {GL_REPEAT, GL_REPEAT, GL_REPEAT, GL_REPEAT};  ///< of s, t, r, q
  ///@{
  /// The texture's level-of-detail range and bias.
  float minLod = 0, maxLod = 1000.0f, lodBias = 0;
  ///@}
  DTexture *texture = nullptr;  ///< one reference held
};

/// How geometry is painted: up to eight layers and the shader-wide
/// settings, with the key that orders shaders for painting.
class DShader {
public:
  static constexpr int kMaxLayers = 8;  ///< the most layers a shader has

  DShader();
  /// Never copied: each copy would release the textures and programs again.
  DShader(const DShader &) = delete;
  DShader &operator=(const DShader &) = delete;
  /// Releases the GPU programs and every layer's texture.
  ~DShader();

  /// One or two layers from a model material: its texture, colours and
  /// blending, and the default environment map when it asks for one.
  void CreateFromMaterial(const DMaterial *material);
  /// 1 when this shader is painted before the other, -1 after, 0 equal: an
  /// order (antisymmetric and transitive) to sort by.
  int Compare(const DShader &other) const;
  /// Seventeen words for the renderer, zero-filled on first request.
  int *GetExtra();

  DShaderLayer layers[kMaxLayers];  ///< the passes, first to last
  int layerCount = 0;               ///< layers in use
  qstring name;                     ///< what materials find it by
  int flags = 9;                    ///< DShaderFlags: back faces culled, fog
  int materialFlags = 0x110;        ///< kept for the renderer
  int sortKey;                      ///< 300 opaque, 400 blended, plus the global bias and the offset
  int sortOffset = 0;               ///< the file's "sort_offset"
  int group;                        ///< the global shader group when made
  ///@{
  /// Reference numbers of the GPU programs (DGPUShaderManager); 0 none.
  int vertexProgram = 0, fragmentProgram = 0;
  ///@}

private:
  std::unique_ptr<int[]> extra;
};

/// Fills shaders from "shader_" trees of configuration files.
class DShaderLoader {
public:
  /// The shader of the tree `path` (which must begin with "shader_"), named
  /// `prefix` + the path's rest, lower-cased; maps not in the search path are
  /// looked for under the prefix. Everything but a bad path is repaired with
  /// a warning.
  bool Load(const QInfo &info, const char *path, DShader *shader, const char *prefix);
};
