#include <kiln/ddrawing.h>

#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>
#include <kiln/qutil.h>

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace {

constexpr float kPi = 3.14159265358979f;

// The bands of a sphere or ellipsoid: strips between latitudes, each vertex
// at centre + radii * normal.
void Bands(const DVector3 &centre, const DVector3 &radii, int segments) {
  const float step = 2 * kPi / static_cast<float>(segments);
  for (int band = 1; band <= segments / 2; ++band) {
    const float upper = static_cast<float>(band) * step - kPi / 2;
    const float lower = static_cast<float>(band - 1) * step - kPi / 2;
    glBegin(GL_TRIANGLE_STRIP);
    for (int s = 0; s <= segments; ++s) {
      const float longitude = static_cast<float>(s) * step;
      for (const auto &[latitude, v] : {std::pair{upper, band}, std::pair{lower, band - 1}}) {
        const DVector3 normal(std::cos(longitude) * std::cos(latitude), std::sin(latitude),
                              std::cos(latitude) * std::sin(longitude));
        glNormal3f(normal.x, normal.y, normal.z);
        glTexCoord2f(-static_cast<float>(s) / static_cast<float>(segments),
                     2.0f * static_cast<float>(v) / static_cast<float>(segments));
        glVertex3f(centre.x + radii.x * normal.x, centre.y + radii.y * normal.y, centre.z + radii.z * normal.z);
      }
    }
    glEnd();
  }
}

}  // namespace

void d3DrawSphere(float x, float y, float z, float radius, int segments) {
  segments = std::abs(segments);
  radius = std::fabs(radius);
  if (segments <= 3 || radius <= 0) {
    glBegin(GL_POINTS);
    glVertex3f(x, y, z);
    glEnd();
    return;
  }
  Bands(DVector3(x, y, z), DVector3(radius, radius, radius), segments);
}

int d3DrawEllipsoid(const DVector3 &centre, const DVector3 &radii, int segments) {
  segments = std::abs(segments);
  if (segments > 3) Bands(centre, radii, segments);
  return segments / 2;
}

void d3RotateAroundAxis(const DVector3 &point, float angle, const DVector3 &a, const DVector3 &b, DVector3 *result) {
  const DVector3 axis = b - a;
  const float length = axis.Length();
  if (length < 0.00001f) {
    *result = point;
    return;
  }
  // Rodrigues' rotation of the point relative to a, about the unit axis.
  const DVector3 unit = axis * (1 / length), relative = point - a;
  const float c = std::cos(angle), s = std::sin(angle);
  *result = a + relative * c + unit.Cross(relative) * s + unit * (unit.Dot(relative) * (1 - c));
}

void d3Fade(int milliseconds) {
  QCanvas *canvas = QCanvas::GetAppCanvas();
  const int steps = milliseconds / 20;
  if (!canvas || steps <= 0) return;
  const int total = 3 * steps / 2;
  const int blending = canvas->GetBlending();
  canvas->SetBlending(1);
  for (int i = 0; i < total; ++i) {
    canvas->SetColor(0, 0, 0, i == total - 1 ? 255 : 255 / steps);
    canvas->Rectfill(0, 0, 1024, 768);
    if (QGLContext *context = canvas->GetGLContext()) context->Swap();
    QWaitMilli(20);
  }
  canvas->SetBlending(blending);
}
