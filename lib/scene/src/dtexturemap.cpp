#include <kiln/dtexturemap.h>

#include <kiln/dglobal.h>
#include <kiln/dtexture.h>
#include <kiln/dtexturemanager.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qglcontext.h>
#include <kiln/qimage.h>
#include <kiln/qutil.h>

#include <GL/glu.h>

#include <algorithm>
#include <memory>

namespace {

// The image reduced by the divisor and to the limits, or null when it
// can't be.
QBitMap *Reduce(const QBitMap &image, const DGlobal &global) {
  const int divisor = std::max(1, global.textureDivisor);
  const int width = std::min(QNearestPowerOf2(std::max(1, image.GetWidth() / divisor)), global.maxTextureWidth);
  const int height = std::min(QNearestPowerOf2(std::max(1, image.GetHeight() / divisor)), global.maxTextureHeight);
  if (QGLContext::GetCurrentNativeContext()) {
    auto reduced = std::make_unique<QBitMap>(32, width, height);
    if (!reduced->GetBuffer()) return nullptr;
    // The scaler reads the pixel-store state.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    if (gluScaleImage(GL_RGBA, image.GetWidth(), image.GetHeight(), GL_UNSIGNED_BYTE, image.GetBuffer(), width,
                      height, GL_UNSIGNED_BYTE, reduced->GetBuffer()) != 0) {
      return nullptr;
    }
    return reduced.release();
  }
  // Without a GL context, GLU's scaler has no pixel-store state to read:
  // the bitmap's own scaling takes its place.
  QBitMap *reduced = image.Clone(true);
  if (!reduced || !reduced->Scale(width, height)) {
    delete reduced;
    return nullptr;
  }
  return reduced;
}

// Switches a capability through the current context's state wrappers, when
// there is one.
void Enable(QGLContext *context, GLenum capability, bool on) {
  if (context) {
    on ? context->Enable(capability) : context->Disable(capability);
  } else {
    on ? glEnable(capability) : glDisable(capability);
  }
}

}  // namespace

QBitMap *d3LoadTextureMap(const char *name) {
  DGlobal &global = d3Global();
  if (!(global.textureFlags & DGTF_LOAD_IMAGES)) return DMakeStubImage(1);
  const qstring resolved = global.path.Find(name);
  if (QFileExists(resolved.CStr())) {
    auto image = std::make_unique<QImage>(resolved.CStr());
    if (image->IsRead() && image->GetDepth() == 32 && image->GetBuffer()) {
      if (global.textureDivisor <= 1 && image->GetWidth() <= global.maxTextureWidth &&
          image->GetHeight() <= global.maxTextureHeight) {
        return image.release();
      }
      if (QBitMap *reduced = Reduce(*image, global)) return reduced;
      qwarn("d3LoadTextureMap(); can't reduce '%s'", resolved.CStr());
    }
  }
  qwarn("d3LoadTextureMap(); can't load '%s'; creating red/blue stub image\n", resolved.CStr());
  return DMakeStubImage(0);
}

QBitMap *DMakeStubImage(int type) {
  static const QColor kCycle[] = {{255, 0, 0},   {0, 255, 0},   {255, 255, 0},   {0, 0, 255},
                                  {255, 0, 255}, {0, 255, 255}, {255, 255, 255}, {128, 128, 128}};
  static int next = 0;
  if (type == 1) {
    auto *image = new QBitMap(32, 1, 1);
    image->SetPixel(0, 0, kCycle[next]);
    next = (next + 1) % 8;
    return image;
  }
  if (type != 0) qwarn("DMakeStubImage(%d) unknown; using type 0 instead", type);
  auto *image = new QBitMap(32, 2, 2);
  const QColor red(255, 0, 0), blue(0, 0, 255);
  image->SetPixel(0, 0, red);
  image->SetPixel(1, 1, red);
  image->SetPixel(0, 1, blue);
  image->SetPixel(1, 0, blue);
  return image;
}

void DrawTextureQuad(DTexture *texture, const QRect &rect, int blendMode) {
  QGLContext *context = QGLContext::GetCurrent();
  if (texture) texture->Bind();
  Enable(context, GL_TEXTURE_2D, texture != nullptr);
  if (blendMode == 1) {
    if (context) context->BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    else glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  Enable(context, GL_BLEND, blendMode == 1);
  Enable(context, GL_CULL_FACE, false);
  const float centreX = static_cast<float>(rect.x - rect.width / 2);
  const float halfWidth = rect.width / 2.0f, halfHeight = rect.height / 2.0f;
  glBegin(GL_QUADS);
  glTexCoord2f(1, 0);
  glVertex3f(centreX + halfWidth, -halfHeight, 0);
  glTexCoord2f(0, 0);
  glVertex3f(centreX - halfWidth, -halfHeight, 0);
  glTexCoord2f(0, 1);
  glVertex3f(centreX - halfWidth, halfHeight, 0);
  glTexCoord2f(1, 1);
  glVertex3f(centreX + halfWidth, halfHeight, 0);
  glEnd();
}

void DrawTextureQuad(int textureReference, const QRect &rect, int blendMode) {
  DrawTextureQuad(d3GetTexture(textureReference), rect, blendMode);
}
