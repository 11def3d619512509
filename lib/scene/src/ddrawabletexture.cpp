#include <kiln/ddrawabletexture.h>

#include <kiln/qdrawable.h>
#include <kiln/qglcontext.h>
#include <kiln/qutil.h>

#include <algorithm>

namespace {

// Where the copy has gone since the first programs: 448 rows up.
constexpr int kCopyOffsetY = 448;

}  // namespace

DDrawableTexture::DDrawableTexture(QDrawable *drawable) : drawable(drawable) {
  SetSize(QNearestPowerOf2(drawable->GetWidth()), QNearestPowerOf2(drawable->GetHeight()));
  CreateTexture();
}

int DDrawableTexture::GetCopyOffsetY() const {
  // At 448 where the picture fits below the top; else against the top.
  return std::max(0, std::min(kCopyOffsetY, height - drawable->GetHeight()));
}

void DDrawableTexture::CopyFromBuffer(bool front) {
  Bind();
  // The pixel-store state is the program's: it comes back as it was.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_PACK_ROW_LENGTH, 1024);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glDisable(GL_BLEND);
  glReadBuffer(front ? GL_FRONT : GL_BACK);
  QGLCheckError("pre glCopyTexSubImage2D");
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, GetCopyOffsetY(), 0, 0, std::min(drawable->GetWidth(), width),
                      std::min(drawable->GetHeight(), height));
  QGLCheckError("post glCopyTexSubImage2D");
  glReadBuffer(GL_BACK);
  glPopClientAttrib();
}
