#include <kiln/qglcontext.h>

#include <kiln/qdebug.h>
#include <kiln/qdrawable.h>
#include <kiln/qxdisplay.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "egl_pbuffer.h"

namespace {

constexpr int kBorrowed = 1;
constexpr int kGathered = 2;
constexpr float kDegreesPerRadian = 57.29578f;

QGLContext *current = nullptr;

struct Extension {
  const char *name;
  int bit;
};

// The order in which the extensions are looked up.
const Extension kExtensions[] = {
    {"GL_ARB_multitexture", QGL_MULTITEXTURE},
    {"GL_ARB_texture_compression", QGL_TEXTURE_COMPRESSION},
    {"GL_ARB_texture_env_add", QGL_TEXTURE_ENV_ADD},
    {"GL_ARB_texture_env_combine", QGL_TEXTURE_ENV_COMBINE},
    {"GL_ARB_texture_env_dot3", QGL_TEXTURE_ENV_DOT3},
    {"GL_EXT_blend_color", QGL_BLEND_COLOR},
    {"GL_EXT_blend_func_separate", QGL_BLEND_FUNC_SEPARATE},
    {"GL_EXT_separate_specular_color", QGL_SEPARATE_SPECULAR_COLOR},
    {"GL_EXT_texture_filter_anisotropic", QGL_TEXTURE_FILTER_ANISOTROPIC},
    {"GL_EXT_texture_lod_bias", QGL_TEXTURE_LOD_BIAS},
    {"GL_NV_fog_distance", QGL_FOG_DISTANCE},
    {"GL_EXT_compiled_vertex_array", 0},
    {"GL_ARB_vertex_buffer_object", 0},
};

const char *GLText(GLenum name) {
  const char *text = reinterpret_cast<const char *>(glGetString(name));
  return text ? text : "";
}

void Identity(float m[16]) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

// out = a * b, column-major as OpenGL keeps them.
void Multiply(const float a[16], const float b[16], float out[16]) {
  float result[16];
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 4; ++row) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
      result[column * 4 + row] = sum;
    }
  }
  std::memcpy(out, result, sizeof result);
}

void Transform(const float m[16], const float in[4], float out[4]) {
  for (int row = 0; row < 4; ++row) {
    out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
  }
}

void Normalize(float v[3]) {
  float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (length > 0) {
    for (int i = 0; i < 3; ++i) v[i] /= length;
  }
}

void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

QGLContext::QGLContext(QDrawable *drawable, XVisualInfo *visual, QGLContext *share, bool direct)
    : window(drawable), readWindow(drawable) {
  Identity(projection);
  Identity(camera);
  Display *display = QGetXDisplay();
  if (display && visual) {
    context = glXCreateContext(display, visual, share ? share->context : nullptr, direct ? True : False);
  }
}

QGLContext::QGLContext(GLXContext borrowed, QDrawable *drawable)
    : window(drawable), readWindow(drawable), flags(kBorrowed), context(borrowed) {
  Identity(projection);
  Identity(camera);
}

QGLContext::QGLContext(QDrawable *drawable, int width, int height)
    : window(drawable), readWindow(drawable), pbuffer(std::make_unique<kiln::gui::EGLPbuffer>(width, height)) {
  Identity(projection);
  Identity(camera);
}

QGLContext::~QGLContext() {
  if (current == this) current = nullptr;
  pbuffer.reset();
  if (context && !(flags & kBorrowed) && QGetXDisplay()) {
    if (glXGetCurrentContext() == context) glXMakeCurrent(QGetXDisplay(), None, nullptr);
    glXDestroyContext(QGetXDisplay(), context);
  }
}

bool QGLContext::IsValid() const { return pbuffer ? pbuffer->IsValid() : context != nullptr; }

const void *QGLContext::GetNativeContext() const {
  return pbuffer ? pbuffer->GetContext() : static_cast<const void *>(context);
}

const void *QGLContext::GetCurrentNativeContext() {
  if (GLXContext glx = glXGetCurrentContext()) return glx;
  return kiln::gui::CurrentEGLContext();
}

bool QGLContext::Select(QGLContext *context, QDrawable *window, QDrawable *readWindow, int flags) {
  if (!context) return false;
  if (!(flags & QGL_SELECT_FORCE) && current == context) return false;
  // The read window is always the drawing window.
  if (window) context->window = context->readWindow = window;
  if (readWindow) {
    qerr("QGLContext::Select() with read is NYI/Linux");
  } else if (context->pbuffer) {
    context->pbuffer->MakeCurrent();
  } else if (QGetXDisplay() && context->window) {
    // GLX refuses while the thread's OpenGL belongs to an EGL context.
    kiln::gui::ReleaseCurrentEGL();
    glXMakeCurrent(QGetXDisplay(), static_cast<GLXDrawable>(context->window->GetXWindow()), context->context);
  }
  if (!(flags & QGL_SELECT_NO_EXTENSIONS) && !(context->flags & kGathered)) context->GatherExtensions();
  if (!(flags & QGL_SELECT_FORCE)) current = context;
  return flags & QGL_SELECT_FORCE;
}

QGLContext *QGLContext::GetCurrent() { return current; }


void QGLContext::SetCurrent(QGLContext *context) { current = context; }

void QGLContext::GatherExtensions() {
  flags |= kGathered;
  vendor = GLText(GL_VENDOR);
  renderer = GLText(GL_RENDERER);
  version = GLText(GL_VERSION);
  extensions = 0;
  for (const Extension &extension : kExtensions) {
    if (IsExtensionSupported(extension.name)) extensions |= extension.bit;
  }
}

bool QGLContext::IsExtensionSupported(const char *name) const {
  // Everything was part of OpenGL 2.
  if (GLText(GL_VERSION)[0] == '2') return true;
  if (!name || !*name || std::strchr(name, ' ')) return false;
  // A whole blank-separated word of the (long) extension string, searched
  // where it lies.
  const char *all = GLText(GL_EXTENSIONS);
  const std::size_t length = std::strlen(name);
  for (const char *at = all; (at = std::strstr(at, name)) != nullptr; at += length) {
    bool starts = at == all || at[-1] == ' ';
    bool ends = at[length] == ' ' || at[length] == '\0';
    if (starts && ends) return true;
  }
  return false;
}

void QGLContext::MakeCurrentIfOther() {
  if (current != this) Select(this);
}

namespace {

// KILN_GL_CHECK=1 in the environment turns the check on from the start.
bool checkFrames = [] {
  const char *asked = std::getenv("KILN_GL_CHECK");
  return asked && std::strcmp(asked, "1") == 0;
}();

}  // namespace

void QGLContext::CheckFrames(bool on) { checkFrames = on; }

void QGLContext::Swap() {
  MakeCurrentIfOther();
  if (checkFrames) QGLCheckError("QGLContext::Swap; at the end of a frame");
  // A pbuffer has nothing to swap: its pixels are read where they were drawn.
  if (pbuffer || !QGetXDisplay() || !window) return;
  glXSwapBuffers(QGetXDisplay(), static_cast<GLXDrawable>(window->GetXWindow()));
}

void QGLContext::Setup2D() {
  MakeCurrentIfOther();
  const int width = window ? window->GetWidth() : 0, height = window ? window->GetHeight() : 0;
  // Reloading the matrices flushes the driver's batch of vertices: not
  // while the projection set last time is still in place.
  if (width == twoDWidth && height == twoDHeight) return;
  Viewport(0, 0, width, height);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_MODELVIEW);
  Identity(camera);
  twoDWidth = width;
  twoDHeight = height;
}

void QGLContext::Invalidate2D() { twoDWidth = twoDHeight = -1; }

void QGLContext::SetPerspectiveView(float distance) {
  MakeCurrentIfOther();
  Invalidate2D();
  const float width = window ? static_cast<float>(window->GetWidth()) : 0;
  const float height = window ? static_cast<float>(window->GetHeight()) : 0;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-width / (2 * distance), width / (2 * distance), -height / (2 * distance), height / (2 * distance), 1,
            100000);
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -distance);
  glGetFloatv(GL_MODELVIEW_MATRIX, camera);
}

void QGLContext::Perspective(float fieldOfView, float aspect, float nearPlane, float farPlane) {
  const float f = 1.0f / std::tan(fieldOfView / kDegreesPerRadian / 2);
  float m[16] = {};
  m[0] = f / aspect;
  m[5] = f;
  m[10] = (farPlane + nearPlane) / (nearPlane - farPlane);
  m[11] = -1;
  m[14] = 2 * farPlane * nearPlane / (nearPlane - farPlane);
  std::memcpy(projection, m, sizeof m);
  MakeCurrentIfOther();
  Invalidate2D();
  glMultMatrixf(m);
}

void QGLContext::LookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ, float upX,
                        float upY, float upZ) {
  float forward[3] = {centreX - eyeX, centreY - eyeY, centreZ - eyeZ};
  float up[3] = {upX, upY, upZ};
  Normalize(forward);
  float side[3];
  Cross(forward, up, side);
  Normalize(side);
  float upright[3];
  Cross(side, forward, upright);
  float m[16];
  Identity(m);
  for (int i = 0; i < 3; ++i) {
    m[i * 4] = side[i];
    m[i * 4 + 1] = upright[i];
    m[i * 4 + 2] = -forward[i];
  }
  float translate[16];
  Identity(translate);
  translate[12] = -eyeX;
  translate[13] = -eyeY;
  translate[14] = -eyeZ;
  Multiply(m, translate, camera);
  MakeCurrentIfOther();
  Invalidate2D();
  glMultMatrixf(camera);
}

void QGLContext::Project(const float point[3], float out[3]) const {
  const float in[4] = {point[0], point[1], point[2], 1};
  float eye[4], clip[4];
  Transform(camera, in, eye);
  Transform(projection, eye, clip);
  if (clip[3] != 0) {
    for (int i = 0; i < 3; ++i) clip[i] /= clip[3];
  }
  out[0] = static_cast<float>(viewport[0]) + static_cast<float>(viewport[2]) * (clip[0] + 1) / 2;
  out[1] = static_cast<float>(viewport[1]) + static_cast<float>(viewport[3]) * (clip[1] + 1) / 2;
  out[2] = (clip[2] + 1) / 2;
}

void QGLContext::UnProject(const float in[3], float out[3]) const {
  GLdouble model[16], proj[16], x, y, z;
  GLint view[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, view);
  if (gluUnProject(in[0], in[1], in[2], model, proj, view, &x, &y, &z) != GL_TRUE) {
    qwarn("gluUnProject failed");
    out[0] = out[1] = out[2] = 0;
    return;
  }
  out[0] = static_cast<float>(x);
  out[1] = static_cast<float>(y);
  out[2] = static_cast<float>(z);
}

void QGLContext::BlendFunc(GLenum source, GLenum destination) {
  MakeCurrentIfOther();
  glBlendFunc(source, destination);
}

void QGLContext::Enable(GLenum capability) {
  MakeCurrentIfOther();
  glEnable(capability);
}

void QGLContext::Disable(GLenum capability) {
  MakeCurrentIfOther();
  glDisable(capability);
}

void QGLContext::Ortho(double left, double right, double bottom, double top, double nearPlane, double farPlane) {
  MakeCurrentIfOther();
  Invalidate2D();
  glOrtho(left, right, bottom, top, nearPlane, farPlane);
}

void QGLContext::LoadIdentity() {
  MakeCurrentIfOther();
  Invalidate2D();
  glLoadIdentity();
}

void QGLContext::MatrixMode(GLenum mode) {
  MakeCurrentIfOther();
  Invalidate2D();
  glMatrixMode(mode);
}

void QGLContext::Clear(GLbitfield mask) {
  MakeCurrentIfOther();
  glClear(mask);
}

void QGLContext::ReadBuffer(GLenum buffer) {
  MakeCurrentIfOther();
  glReadBuffer(buffer);
}

void QGLContext::DrawBuffer(GLenum buffer) {
  MakeCurrentIfOther();
  glDrawBuffer(buffer);
}

void QGLContext::Viewport(int x, int y, int width, int height) {
  MakeCurrentIfOther();
  Invalidate2D();
  viewport[0] = x;
  viewport[1] = y;
  viewport[2] = width;
  viewport[3] = height;
  glViewport(x, y, width, height);
}

void QGLContext::SetAnisotropy(float value) {
  if (!HasExtensions(QGL_TEXTURE_FILTER_ANISOTROPIC)) return;
  MakeCurrentIfOther();
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, value);
}

void QGLContext::SetSeparateSpecular(bool on) {
  if (!HasExtensions(QGL_SEPARATE_SPECULAR_COLOR)) return;
  MakeCurrentIfOther();
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, on ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
}

void QGLCheckError(const char *label) {
  // Bounded: without a context some drivers report the same error forever.
  for (int i = 0; i < 64; ++i) {
    GLenum error = glGetError();
    if (error == GL_NO_ERROR) return;
    const GLubyte *text = gluErrorString(error);
    qerr("%s: OpenGL error (%d): %s", label ? label : "", static_cast<int>(error),
         text ? reinterpret_cast<const char *>(text) : "unknown error");
  }
}

void QGLDumpState(const char *label) {
  GLfloat position[4], color[4], zoomX, zoomY;
  GLint valid, shade, drawBuffer, readBuffer, rgba, doubleBuffer;
  GLint unpack[4], pack[4];
  glGetFloatv(GL_CURRENT_RASTER_POSITION, position);
  glGetFloatv(GL_CURRENT_RASTER_COLOR, color);
  glGetIntegerv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &unpack[0]);
  glGetIntegerv(GL_UNPACK_SKIP_ROWS, &unpack[1]);
  glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &unpack[2]);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack[3]);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &pack[0]);
  glGetIntegerv(GL_PACK_SKIP_ROWS, &pack[1]);
  glGetIntegerv(GL_PACK_SKIP_PIXELS, &pack[2]);
  glGetIntegerv(GL_PACK_ALIGNMENT, &pack[3]);
  glGetFloatv(GL_ZOOM_X, &zoomX);
  glGetFloatv(GL_ZOOM_Y, &zoomY);
  glGetIntegerv(GL_RGBA_MODE, &rgba);
  glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffer);
  qdbg("OpenGL state: (context %p) (%s)\n", QGLContext::GetCurrentNativeContext(), label ? label : "");
  qdbg("Raster position      : %f,%f,%f,%f\n", position[0], position[1], position[2], position[3]);
  qdbg("Raster color         : %f,%f,%f,%f\n", color[0], color[1], color[2], color[3]);
  qdbg("Raster position valid: %d\n", valid);
  qdbg("Shade model: %d\n", shade);
  qdbg("Enabled: lighting=%d, cullface=%d, blend=%d, dither=%d\n", glIsEnabled(GL_LIGHTING), glIsEnabled(GL_CULL_FACE),
       glIsEnabled(GL_BLEND), glIsEnabled(GL_DITHER));
  qdbg("Tests  : scissor =%d, stencil =%d, alpha=%d, depth =%d\n", glIsEnabled(GL_SCISSOR_TEST),
       glIsEnabled(GL_STENCIL_TEST), glIsEnabled(GL_ALPHA_TEST), glIsEnabled(GL_DEPTH_TEST));
  qdbg("Buffers: draw=%d, read=%d\n", drawBuffer, readBuffer);
  qdbg("Unpack : rowlength=%d, skip rows=%d, skip pixels=%d, alignment=%d\n", unpack[0], unpack[1], unpack[2],
       unpack[3]);
  qdbg("Pack   : rowlength=%d, skip rows=%d, skip pixels=%d, alignment=%d\n", pack[0], pack[1], pack[2], pack[3]);
  qdbg("Zoom   : X: %f, Y: %f\n", static_cast<double>(zoomX), static_cast<double>(zoomY));
  qdbg("RGBA mode: %d, double buffer: %d\n", rgba, doubleBuffer);
  QGLCheckError(label);
  qdbg("----------------\n");
}
