// How geometry is painted in up to eight passes (layers), each with its own
// texture, blending, depth and alpha tests, texture environment or
// combiner, texture-coordinate generation, filtering, wrapping and lighting
// colours; plus shader-wide culling, fog, sky and sort settings and GPU
// programs. Shaders come from "shader_" trees of configuration files
// (DShaderLoader) or from model materials (CreateFromMaterial).
#pragma once

#include <GL/gl.h>

#include <memory>

#include <kiln/qstring.h>

class DMaterial;
class DTexture;
class QInfo;

enum DShaderFlags {
  DSHADER_CULL_MASK = 3,  // 0 none, 1 back faces, 2 front faces
  DSHADER_FOG = 8,
  DSHADER_SKY = 0x10,
  DSHADER_FROM_FILE = static_cast<int>(0x80000000u)
};

enum DShaderLayerFlags {
  DSL_MIPMAP = 1,
  DSL_COMPRESS = 4,
  DSL_DEPTH_TEST_OFF = 0x800,
  DSL_DEPTH_WRITE = 0x1000,
  DSL_BLEND = 0x10000,
  DSL_BIT17 = 0x20000
};

struct DShaderLayer {
  DShaderLayer();

  int flags = 0x21401;
  GLenum blendSrc = GL_ONE, blendDst = GL_ZERO;
  GLenum depthFunc = GL_LEQUAL;
  GLenum alphaFunc = GL_ALWAYS;
  float alphaRef = 0;
  GLenum texEnv = GL_REPLACE;
  GLenum combineMode = GL_MODULATE;
  GLenum combineSource[3];
  GLenum combineOperand[3] = {GL_SRC_COLOR, GL_SRC_COLOR, GL_SRC_COLOR};
  float combineScale = 1.0f;
  GLenum texGen[4] = {0, 0, 0, 0};  // s, t, r, q; 0 none
  float texGenPlanes[4][4] = {};
  int shininess = 0;
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
  float specular[4] = {0, 0, 0, 1.0f};
  float emission[4];  // the global colour offset
  float texScale[4] = {1, 1, 1, 1};
  GLenum magFilter = GL_NEAREST, minFilter = GL_NEAREST;
  GLenum wrap[4] = {GL_REPEAT, GL_REPEAT, GL_REPEAT, GL_REPEAT};
  float minLod = 0, maxLod = 1000.0f, lodBias = 0;
  DTexture *texture = nullptr;  // one reference held
};

class DShader {
public:
  static constexpr int kMaxLayers = 8;

  DShader();
  // Never copied: each copy would release the textures and programs again.
  DShader(const DShader &) = delete;
  DShader &operator=(const DShader &) = delete;
  // Releases the GPU programs and every layer's texture.
  ~DShader();

  // One or two layers from a model material: its texture, colours and
  // blending, and the default environment map when it asks for one.
  void CreateFromMaterial(const DMaterial *material);
  // 1 when this shader is painted before the other, -1 after, 0 equal: an
  // order (antisymmetric and transitive) to sort by.
  int Compare(const DShader &other) const;
  // Seventeen words for the renderer, zero-filled on first request.
  int *GetExtra();

  DShaderLayer layers[kMaxLayers];
  int layerCount = 0;
  qstring name;
  int flags = 9;
  int materialFlags = 0x110;
  int sortKey;
  int sortOffset = 0;
  int group;
  int vertexProgram = 0, fragmentProgram = 0;

private:
  std::unique_ptr<int[]> extra;
};

// Fills shaders from "shader_" trees of configuration files.
class DShaderLoader {
public:
  // The shader of the tree `path` (which must begin with "shader_"), named
  // `prefix` + the path's rest, lower-cased; maps not in the search path are
  // looked for under the prefix. Everything but a bad path is repaired with
  // a warning.
  bool Load(const QInfo &info, const char *path, DShader *shader, const char *prefix);
};
