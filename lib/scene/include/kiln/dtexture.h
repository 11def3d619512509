// OpenGL 2D textures in reference-counted objects. Materials, shaders and
// fonts share them: whoever makes a texture holds its first reference,
// every further holder calls Attach(), every holder calls Detach() when
// done, and the last Detach() deletes it.
#pragma once

#include <GL/gl.h>

#include <kiln/qobject.h>

class QGLContext;

enum DTextureFlags {
  DTF_TRANSPARENT = 1,  // the image has transparent pixels
  DTF_MIPMAP = 2,       // build mipmaps (the default)
  DTF_DETACHED = 4,     // released through Detach()
  DTF_COMPRESSED = 8    // store compressed
};

class DTexture : public QObject {
public:
  DTexture() = default;
  // Reports a texture deleted other than by its last Detach().
  ~DTexture() override;

  const char *ClassName() const override { return "DTexture"; }
  virtual const char *GetTypeName() const { return "texture2D"; }

  void Attach() { ++refCount; }
  void Detach();

  // Makes the GL texture in the current context: level 0 empty at the size
  // set, the filters and wrapping of the fields. It holds one reference.
  // With no context current (a program that only reads models) no GL
  // texture is made: the object keeps its sizes and settings, GetTexID()
  // stays 0, and nothing is drawn with it.
  void CreateTexture();
  // Only once, before creation.
  void SetSize(int width, int height);
  void EnableMipmap(bool on);
  void SetMinFilter(GLenum filter);
  void SetMagFilter(GLenum filter);
  void SetWrap(GLenum s, GLenum t, GLenum r, GLenum q);
  void SetTexEnv(GLenum mode);
  void Bind() const;
  // GL_RGBA and GL_RGB become their compressed forms while compression is
  // on, and back while it is off.
  void SetInternalFormat(GLenum format);
  // Only when the global texture flags allow compression.
  void EnableCompression();
  void DisableCompression();

  int GetRefCount() const { return refCount; }
  GLuint GetTexID() const { return texID; }
  int GetFlags() const { return flags; }
  bool IsTransparent() const { return flags & DTF_TRANSPARENT; }
  void SetTransparent(bool on) { flags = on ? flags | DTF_TRANSPARENT : flags & ~DTF_TRANSPARENT; }
  int GetWidth() const { return width; }
  int GetHeight() const { return height; }
  GLenum GetTarget() const { return target; }
  GLenum GetInternalFormat() const { return internalFormat; }
  GLenum GetMinFilter() const { return minFilter; }
  GLenum GetMagFilter() const { return magFilter; }
  GLenum GetWrapS() const { return wrapS; }
  GLenum GetWrapT() const { return wrapT; }
  GLenum GetWrapR() const { return wrapR; }
  GLenum GetWrapQ() const { return wrapQ; }
  // The context that was current when the GL texture was made.
  QGLContext *GetContext() const { return context; }

protected:
  int refCount = 0;
  QGLContext *context = nullptr;
  const void *nativeContext = nullptr;  // the GL texture lives in its share group
  GLuint texID = 0;
  int flags = DTF_MIPMAP;
  int width = 0, height = 0;
  GLenum target = GL_TEXTURE_2D;
  GLenum internalFormat = GL_RGBA;
  GLenum minFilter = GL_LINEAR_MIPMAP_LINEAR, magFilter = GL_LINEAR;
  GLenum wrapS = GL_REPEAT, wrapT = GL_REPEAT, wrapR = GL_REPEAT, wrapQ = GL_REPEAT;
};
