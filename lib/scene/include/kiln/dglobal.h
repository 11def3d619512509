/// \file
/// DGlobal, the 3D library's global state.
#pragma once

#include <GL/gl.h>

#include <memory>

#include <kiln/qpath.h>

class DBatch;
class DTexture;
class DTextureManager;
class DTexturePool;
class DEnvironmentSource;
class DGPUShaderManager;
class DShaderRender;

/// Flags of the global state.
enum DGlobalFlags {
  DGF_USE_POOL = 1  ///< new textures go into the pool, and shader maps look there first
};

/// How textures are loaded.
enum DGlobalTextureFlags {
  DGTF_LOAD_IMAGES = 2,  ///< when clear, every texture is a one-pixel colour
  DGTF_COMPRESS = 4      ///< compress where the GL context offers it
};

/// The one global state object of the 3D library: the texture settings that
/// steer loading, the search path, the texture pool and manager, the batch,
/// and the slots the application and the shader renderer fill.
class DGlobal {
public:
  DGlobal();
  ~DGlobal();
  DGlobal(const DGlobal &) = delete;
  DGlobal &operator=(const DGlobal &) = delete;

  ///@{
  /// Filter names as configuration files write them ("GL_LINEAR"); unknown
  /// ones warn and give GL_NEAREST, respectively "???".
  static GLenum FilterS2N(const char *name);
  static const char *FilterN2S(GLenum filter);
  ///@}
  /// True for the four mipmapping minification filters.
  static bool IsMipmapFilter(GLenum filter) { return filter >= 0x2700 && filter <= 0x2703; }
  /// The pool while the global state lives, else null: textures destroyed
  /// at exit after it ask here.
  static DTexturePool *LivingPool();
  /// The global state while it lives, else null: for those that go at exit.
  static DGlobal *Living();

  /// Lets go of what the 3D library holds for the application: the batch's
  /// entries, and the environment map, environment sources and shader
  /// renderer it lent. The application calls it when it goes, before its
  /// windows.
  void Release();

  int flags = 0;  ///< DGlobalFlags
  ///@{
  /// Kept for the application.
  GLenum defaultMinFilter = GL_LINEAR, defaultMagFilter = GL_LINEAR;
  GLenum defaultWrapS = GL_CLAMP, defaultWrapT = GL_CLAMP, defaultWrapR = GL_CLAMP, defaultWrapQ = GL_CLAMP;
  GLenum defaultTexEnv = GL_REPLACE;
  ///@}
  ///@{
  /// Loaded images are reduced by the divisor and to these bounds.
  int maxTextureWidth = 4096, maxTextureHeight = 4096;
  int textureDivisor = 1;
  ///@}
  float lodScale = 1.0f;                ///< multiplies the distance a geode picks its level of detail by
  float colorOffset[4] = {0, 0, 0, 0};  ///< added to the emission of every shader made
  int textureFlags = DGTF_LOAD_IMAGES;  ///< DGlobalTextureFlags
  /// Where image files and GPU program files are looked for.
  QPath path;
  std::unique_ptr<DTexturePool> pool;                ///< the textures by file name
  std::unique_ptr<DTextureManager> textureManager;  ///< textures by reference number
  /// Set by the application; not owned.
  DTexture *envMap = nullptr;
  std::unique_ptr<DGPUShaderManager> gpuShaderManager;  ///< vertex and fragment program entries
  int sortBias = 0;     ///< added to the sort key of every shader made
  int shaderGroup = 0;  ///< the group of every shader made
  std::unique_ptr<DBatch> batch;  ///< bursts grouped by texture for the application
  /// Registered by the application (a world, usually); not owned. Materials
  /// find their shaders through it.
  DShaderRender *shaderRender = nullptr;
  DEnvironmentSource *envSources[2] = {nullptr, nullptr};  ///< lent by the application; not owned
  float envMapAngle = 0;  ///< degrees the environment map turns about y
};

/// The global state, made on first use and destroyed at exit.
DGlobal &d3Global();
