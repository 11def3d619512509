#include <kiln/dtexture.h>

#include <kiln/dglobal.h>
#include <kiln/dtexturepool.h>
#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>

#include <GL/glext.h>

DTexture::~DTexture() {
  if (!(flags & DTF_DETACHED)) {
    qerr("DTexture::~DTexture() [%s] called directly; use Detach() instead! (put a breakpoint in dtexture)",
         GetName());
  }
  if (refCount > 1) {
    qerr("DTexture dtor (%s); reference count was still %d! Use Detach(), not delete!", GetName(), refCount);
    qnote("DTexture dtor: Expecting crash, dangling texture pointer.");
  }
  // However it goes, the pool never keeps a freed texture.
  if (DTexturePool *pool = DGlobal::LivingPool()) pool->Remove(this);
  // A texture name means something only in the context (and its share
  // group) that made it: in any other it would delete another texture.
  if (texID && nativeContext && QGLContext::GetCurrentNativeContext() == nativeContext) glDeleteTextures(1, &texID);
}

void DTexture::Detach() {
  const int was = refCount--;
  if (was >= 2) return;
  if (was == 1) {
    flags |= DTF_DETACHED;
    delete this;
    return;
  }
  qerr("DTexture:Detach(); refCount<0 (refCount=%d); too many Detach() calls", refCount);
}

void DTexture::CreateTexture() {
  if (refCount > 0) qwarn("DTexture::CreateTexture(); texture was already created (%s)", GetName());
  if (texID && nativeContext && QGLContext::GetCurrentNativeContext() == nativeContext) glDeleteTextures(1, &texID);
  texID = 0;
  context = QGLContext::GetCurrent();
  nativeContext = QGLContext::GetCurrentNativeContext();
  // No context, no GL texture (a program that only reads models).
  if (!nativeContext) {
    ++refCount;
    return;
  }
  glGenTextures(1, &texID);
  glBindTexture(target, texID);

  static bool warned = false;
  const QCanvas *canvas = QCanvas::GetAppCanvas();
  const QGLContext *canvasContext = canvas ? canvas->GetGLContext() : nullptr;
  if (!warned && (!canvasContext || canvasContext->GetNativeContext() != nativeContext)) {
    warned = true;
    qwarn("Textures being created outside of QCV; probably NOT wanted");
  }

  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glTexImage2D(target, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(magFilter));
  glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(wrapS));
  glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(wrapT));
  glTexParameteri(target, GL_TEXTURE_WRAP_R, static_cast<GLint>(wrapR));
  ++refCount;
}

void DTexture::SetSize(int newWidth, int newHeight) {
  if (width || height) {
    qerr("DTexture::SetSize() called twice for the same object (%s)", GetName());
    return;
  }
  width = newWidth;
  height = newHeight;
}

void DTexture::EnableMipmap(bool on) {
  if (texID) {
    qwarn("DTexture:EnableMipmap() called after creation (%s)", GetName());
    return;
  }
  if (on) {
    flags |= DTF_MIPMAP;
  } else {
    flags &= ~DTF_MIPMAP;
    minFilter = GL_NEAREST;
    magFilter = GL_LINEAR;
  }
}

void DTexture::SetMinFilter(GLenum filter) {
  minFilter = filter;
  if (!texID) return;
  Bind();
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(filter));
}

void DTexture::SetMagFilter(GLenum filter) {
  magFilter = filter;
  if (!texID) return;
  Bind();
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, static_cast<GLint>(filter));
}

void DTexture::SetWrap(GLenum s, GLenum t, GLenum r, GLenum q) {
  wrapS = s;
  wrapT = t;
  wrapR = r;
  wrapQ = q;
  // Without a GL texture the fields wait for CreateTexture().
  if (!texID) return;
  Bind();
  glTexParameteri(target, GL_TEXTURE_WRAP_S, static_cast<GLint>(s));
  glTexParameteri(target, GL_TEXTURE_WRAP_T, static_cast<GLint>(t));
  glTexParameteri(target, GL_TEXTURE_WRAP_R, static_cast<GLint>(r));
}

void DTexture::SetTexEnv(GLenum mode) {
  Bind();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(mode));
}

void DTexture::Bind() const { glBindTexture(target, texID); }

void DTexture::SetInternalFormat(GLenum format) {
  if (flags & DTF_COMPRESSED) {
    if (format == GL_RGBA) format = GL_COMPRESSED_RGBA_ARB;
    else if (format == GL_RGB) format = GL_COMPRESSED_RGB_ARB;
  } else {
    if (format == GL_COMPRESSED_RGBA_ARB) format = GL_RGBA;
    else if (format == GL_COMPRESSED_RGB_ARB) format = GL_RGB;
  }
  internalFormat = format;
}

void DTexture::EnableCompression() {
  if (!(d3Global().textureFlags & DGTF_COMPRESS)) return;
  flags |= DTF_COMPRESSED;
  SetInternalFormat(internalFormat);
}

void DTexture::DisableCompression() {
  flags &= ~DTF_COMPRESSED;
  SetInternalFormat(internalFormat);
}
