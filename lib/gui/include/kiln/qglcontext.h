/// \file
/// QGLContext, an OpenGL rendering context, and the OpenGL diagnostics.
#pragma once

#include <GL/glx.h>

#include <memory>

#include <kiln/qobject.h>
#include <kiln/qstring.h>

class QDrawable;
namespace kiln::gui {
class EGLPbuffer;
}

/// Extension bits.
enum QGLExtensionBits {
  QGL_MULTITEXTURE = 1,
  QGL_TEXTURE_ENV_ADD = 2,
  QGL_TEXTURE_ENV_COMBINE = 4,
  QGL_BLEND_COLOR = 8,
  QGL_SEPARATE_SPECULAR_COLOR = 16,
  QGL_TEXTURE_FILTER_ANISOTROPIC = 32,
  QGL_FOG_DISTANCE = 64,
  QGL_TEXTURE_ENV_DOT3 = 128,
  QGL_TEXTURE_COMPRESSION = 512,
  QGL_TEXTURE_LOD_BIAS = 1024,
  QGL_BLEND_FUNC_SEPARATE = 2048  ///< glBlendFuncSeparate: colour and alpha blended by factors of their own
};

/// Flags of Select().
enum QGLSelectFlags {
  QGL_SELECT_FORCE = 1,         ///< make current even when it is, and leave the current pointer
  QGL_SELECT_NO_EXTENSIONS = 2  ///< don't gather the extension information
};

/// An OpenGL rendering context: made current on demand, knows which OpenGL
/// extensions are present, keeps its own projection and camera matrices and
/// viewport, and sets up 2D and 3D projections. A window's context is a GLX
/// context on the X display; an offscreen context (QOffscreen's) draws into
/// a pbuffer through EGL and needs no display. The rest of the library
/// treats both alike.
class QGLContext : public QObject {
public:
  /// A new context for windows of the visual, sharing display lists with
  /// `share` when given. Test IsValid().
  QGLContext(QDrawable *window, XVisualInfo *visual, QGLContext *share, bool direct);
  /// Wraps an existing GLX context, which stays alive after this object.
  QGLContext(GLXContext borrowed, QDrawable *window);
  /// An offscreen context: a pbuffer of width x height through EGL, with no
  /// window and no X display; `drawable` (a QOffscreen) stands for the
  /// pbuffer and has its size. Test IsValid(): when no EGL platform gives a
  /// context the first one made says why on the error output, once.
  QGLContext(QDrawable *drawable, int width, int height);
  ~QGLContext() override;

  const char *ClassName() const override { return "QGLContext"; }
  /// True when the platform made the context.
  bool IsValid() const;
  /// True for an offscreen context.
  bool IsOffscreen() const { return pbuffer != nullptr; }
  /// Null for an offscreen context.
  GLXContext GetGLXContext() const { return context; }
  /// The drawable the context draws on (not owned).
  QDrawable *GetWindow() const { return window; }
  /// The platform's context (GLX or EGL), as an identity: the textures and
  /// display lists made while it is current belong to it.
  const void *GetNativeContext() const;
  /// The platform context current in this thread, whoever made it current
  /// (GLX or EGL); null when none is.
  static const void *GetCurrentNativeContext();

  /// Makes the context current on the window (its own when null); does
  /// nothing when it is current already unless QGL_SELECT_FORCE. An
  /// offscreen context is always made current on its pbuffer.
  static bool Select(QGLContext *context, QDrawable *window = nullptr, QDrawable *readWindow = nullptr,
                     int flags = 0);
  /// The context the library made current last, or null.
  static QGLContext *GetCurrent();
  /// Names a context current without making it so (after plain GLX or EGL
  /// calls that did).
  static void SetCurrent(QGLContext *context);

  /// Shows the back buffer of the window; nothing for an offscreen context,
  /// whose pixels are read where they were drawn. With frame checks on,
  /// every OpenGL error still pending is reported first (QGLCheckError()).
  void Swap();
  /// Turns the check of each frame's OpenGL errors at Swap() on or off; on
  /// from the start when the environment has KILN_GL_CHECK=1.
  static void CheckFrames(bool on);
  /// Pixel coordinates with the origin at the bottom left. Nothing is done
  /// while the 2D projection this context set is still in place: it knows of
  /// the changes made through its own operations, not of plain OpenGL calls.
  void Setup2D();
  /// After plain OpenGL calls changed the matrices or the viewport.
  void Invalidate2D();
  /// A frustum in which one unit at depth 0 is one pixel.
  void SetPerspectiveView(float distance);
  /// Multiplies a perspective projection onto OpenGL's current matrix, as
  /// gluPerspective() does (the field of view in degrees), and keeps it as
  /// the projection matrix.
  void Perspective(float fieldOfView, float aspect, float nearPlane, float farPlane);
  /// Multiplies a camera onto OpenGL's current matrix, as gluLookAt() does,
  /// and keeps it as the camera matrix.
  void LookAt(float eyeX, float eyeY, float eyeZ, float centreX, float centreY, float centreZ, float upX, float upY,
              float upZ);
  /// Through the camera and projection matrices and the viewport.
  void Project(const float point[3], float window[3]) const;
  /// Through OpenGL's current matrices and viewport.
  void UnProject(const float window[3], float point[3]) const;

  ///@{
  /// The OpenGL call of the name, the context made current first when
  /// another one is; Viewport() also keeps the viewport.
  void BlendFunc(GLenum source, GLenum destination);
  void Enable(GLenum capability);
  void Disable(GLenum capability);
  void Ortho(double left, double right, double bottom, double top, double nearPlane, double farPlane);
  void LoadIdentity();
  void MatrixMode(GLenum mode);
  void Clear(GLbitfield mask);
  void ReadBuffer(GLenum buffer);
  void DrawBuffer(GLenum buffer);
  void Viewport(int x, int y, int width, int height);
  ///@}

  /// True when the extension string holds the name as a whole word (every
  /// name on an OpenGL 2 implementation); false for an empty name or one
  /// with a blank.
  bool IsExtensionSupported(const char *name) const;
  /// True when all the bits are set.
  bool HasExtensions(int bits) const { return (extensions & bits) == bits; }
  /// The QGLExtensionBits found.
  int GetExtensions() const { return extensions; }
  /// The anisotropy of the bound 2D texture, where the extension is there.
  void SetAnisotropy(float value);
  /// Specular colour added after texturing (or not), where the extension is
  /// there.
  void SetSeparateSpecular(bool on);

  ///@{
  /// The driver's strings, as gathered at the first Select(); "" before.
  const char *GetVendor() const { return vendor.CStr(); }
  const char *GetRenderer() const { return renderer.CStr(); }
  const char *GetVersion() const { return version.CStr(); }
  ///@}
  ///@{
  /// The projection and camera matrices kept (16 floats in OpenGL's
  /// order), and the viewport (x, y, width, height).
  const float *GetProjectionMatrix() const { return projection; }
  const float *GetCameraMatrix() const { return camera; }
  const int *GetViewport() const { return viewport; }
  ///@}

private:
  void MakeCurrentIfOther();
  void GatherExtensions();

  QDrawable *window = nullptr;
  QDrawable *readWindow = nullptr;
  int flags = 0;  ///< bit 0: borrowed; bit 1: extensions gathered
  int extensions = 0;
  qstring vendor, renderer, version;
  GLXContext context = nullptr;
  std::unique_ptr<kiln::gui::EGLPbuffer> pbuffer;  ///< the offscreen kind's
  float projection[16];
  float camera[16];
  int viewport[4] = {};
  int twoDWidth = -1, twoDHeight = -1;  ///< the 2D projection in place, if any
};

/// Reports every pending OpenGL error on the error output.
void QGLCheckError(const char *label);
/// Prints the main OpenGL state on the debug output.
void QGLDumpState(const char *label);
