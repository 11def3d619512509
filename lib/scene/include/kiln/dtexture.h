/// \file
/// DTexture, shared, reference-counted OpenGL textures.
#pragma once

#include <GL/gl.h>

#include <kiln/qobject.h>

class QGLContext;

/// Flags of a texture.
enum DTextureFlags {
  DTF_TRANSPARENT = 1,  ///< the image has transparent pixels
  DTF_MIPMAP = 2,       ///< build mipmaps (the default)
  DTF_DETACHED = 4,     ///< released through Detach()
  DTF_COMPRESSED = 8    ///< store compressed
};

/// OpenGL 2D textures in reference-counted objects. Materials, shaders and
/// fonts share them: whoever makes a texture holds its first reference,
/// every further holder calls Attach(), every holder calls Detach() when
/// done, and the last Detach() deletes it.
class DTexture : public QObject {
public:
  DTexture() = default;
  /// Reports a texture deleted other than by its last Detach().
  ~DTexture() override;

  const char *ClassName() const override { return "DTexture"; }
  /// The kind of texture, as "texture2D" or "bitmapTexture".
  virtual const char *GetTypeName() const { return "texture2D"; }

  /// Takes one more reference.
  void Attach() { ++refCount; }
  /// Gives one up; the last deletes the texture (and its GL texture in the
  /// context that made it). Too many calls are reported.
  void Detach();

  /// Makes the GL texture in the current context: level 0 empty at the size
  /// set, the filters and wrapping of the fields. It holds one reference.
  /// With no context current (a program that only reads models) no GL
  /// texture is made: the object keeps its sizes and settings, GetTexID()
  /// stays 0, and nothing is drawn with it.
  void CreateTexture();
  /// Only once, before creation.
  void SetSize(int width, int height);
  /// Before creation: mipmaps built or not (off also makes the filters
  /// nearest and linear). Afterwards it only warns.
  void EnableMipmap(bool on);
  ///@{
  /// The filter, kept and set on the GL texture when there is one.
  void SetMinFilter(GLenum filter);
  void SetMagFilter(GLenum filter);
  ///@}
  /// The wrapping of s, t, r (and q, kept only), set on the GL texture when
  /// there is one.
  void SetWrap(GLenum s, GLenum t, GLenum r, GLenum q);
  /// Binds the texture and sets the texture environment's mode.
  void SetTexEnv(GLenum mode);
  /// Binds the GL texture to its target.
  void Bind() const;
  /// GL_RGBA and GL_RGB become their compressed forms while compression is
  /// on, and back while it is off.
  void SetInternalFormat(GLenum format);
  /// Only when the global texture flags allow compression.
  void EnableCompression();
  /// Stores uncompressed from now on.
  void DisableCompression();

  /// The references held.
  int GetRefCount() const { return refCount; }
  /// The GL texture's name; 0 before creation or without a context.
  GLuint GetTexID() const { return texID; }
  /// The DTextureFlags.
  int GetFlags() const { return flags; }
  ///@{
  /// Whether the image has transparent pixels (materials using it blend).
  bool IsTransparent() const { return flags & DTF_TRANSPARENT; }
  void SetTransparent(bool on) { flags = on ? flags | DTF_TRANSPARENT : flags & ~DTF_TRANSPARENT; }
  ///@}
  ///@{
  /// The texture's size in texels.
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  ///@}
  ///@{
  /// The settings kept for the GL texture.
  GLenum GetTarget() const { return target; }
  GLenum GetInternalFormat() const { return internalFormat; }
  GLenum GetMinFilter() const { return minFilter; }
  GLenum GetMagFilter() const { return magFilter; }
  GLenum GetWrapS() const { return wrapS; }
  GLenum GetWrapT() const { return wrapT; }
  GLenum GetWrapR() const { return wrapR; }
  GLenum GetWrapQ() const { return wrapQ; }
  ///@}
  /// The context that was current when the GL texture was made.
  QGLContext *GetContext() const { return context; }

protected:
  int refCount = 0;                     ///< references held
  QGLContext *context = nullptr;        ///< current when the GL texture was made
  const void *nativeContext = nullptr;  ///< the GL texture lives in its share group
  GLuint texID = 0;                     ///< the GL texture's name, 0 without one
  int flags = DTF_MIPMAP;               ///< DTextureFlags
  ///@{
  /// The size in texels.
  int width = 0, height = 0;
  ///@}
  GLenum target = GL_TEXTURE_2D;    ///< what it binds to
  GLenum internalFormat = GL_RGBA;  ///< how the GL stores it
  ///@{
  /// The filters and wrapping kept for the GL texture.
  GLenum minFilter = GL_LINEAR_MIPMAP_LINEAR, magFilter = GL_LINEAR;
  GLenum wrapS = GL_REPEAT, wrapT = GL_REPEAT, wrapR = GL_REPEAT, wrapQ = GL_REPEAT;
  ///@}
};
