#include <kiln/dbitmaptexture.h>

#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>
#include <kiln/qutil.h>

#include <GL/glu.h>

#include <memory>

DBitMapTexture::DBitMapTexture(const QBitMap *bitmap, bool takeName) {
  if (takeName && bitmap) SetName(bitmap->GetName());
  LoadBitMap(bitmap);
}

void DBitMapTexture::DbgPrint() const {
  qdbg("@%p %s (class %s) size %dx%d, refs %d\n", static_cast<const void *>(this), GetName(), ClassName(), width,
       height, refCount);
}

bool DBitMapTexture::LoadBitMap(const QBitMap *bitmap) {
  if (!bitmap || bitmap->GetDepth() != 32 || !bitmap->GetBuffer()) {
    qwarn("DBitMapTexture:LoadBitMap(); %s needs a 32-bit bitmap", GetName());
    return false;
  }
  bitmapWidth = bitmap->GetWidth();
  bitmapHeight = bitmap->GetHeight();
  if (!texID) SetSize(QNearestPowerOf2(bitmapWidth), QNearestPowerOf2(bitmapHeight));

  // Another size goes through a zero-filled bitmap of the texture's size,
  // the picture at its top left: padded when smaller, cut when larger.
  const QBitMap *pixels = bitmap;
  std::unique_ptr<QBitMap> fitted;
  if (bitmapWidth != width || bitmapHeight != height) {
    fitted = std::make_unique<QBitMap>(32, width, height);
    if (!fitted->GetBuffer()) {
      qwarn("DBitMapTexture:LoadBitMap(); no memory for %dx%d pixels (%s)", width, height, GetName());
      return false;
    }
    fitted->CopyRect(*bitmap, 0, 0, bitmapWidth, bitmapHeight, 0, 0);
    pixels = fitted.get();
  }

  if (!texID) CreateTexture();
  else Bind();
  // No context, no GL texture: the sizes are all there is to keep.
  if (!texID) return true;
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  if (flags & DTF_MIPMAP) {
    gluBuild2DMipmaps(target, static_cast<GLint>(internalFormat), width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                      pixels->GetBuffer());
  } else {
    glTexImage2D(target, 0, static_cast<GLint>(internalFormat), width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels->GetBuffer());
  }
  return true;
}
