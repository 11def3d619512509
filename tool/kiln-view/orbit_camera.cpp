#include "orbit_camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kRadiansPerDegree = 3.14159265358979f / 180;
constexpr float kMaxElevation = 89;  // the up vector stays defined

}  // namespace

void OrbitCamera::Frame(const DVector3 &centre, float sphereRadius) {
  target = centre;
  radius = sphereRadius > 0 ? sphereRadius : 1;
  azimuth = 30;
  elevation = 20;
  distance = radius / std::sin(kFieldOfView / 2 * kRadiansPerDegree);
}

DVector3 OrbitCamera::Eye() const {
  const float az = azimuth * kRadiansPerDegree, el = elevation * kRadiansPerDegree;
  return target + DVector3(std::cos(el) * std::sin(az), std::sin(el), std::cos(el) * std::cos(az)) * distance;
}

void OrbitCamera::Orbit(int dx, int dy) {
  azimuth = std::remainder(azimuth - static_cast<float>(dx) * kDegreesPerPixel, 360.0f);
  elevation = std::clamp(elevation + static_cast<float>(dy) * kDegreesPerPixel, -kMaxElevation, kMaxElevation);
}

void OrbitCamera::Pan(int dx, int dy, int viewHeight) {
  // One pixel is the height of the view at the target's depth over the
  // view's height in pixels.
  const float perPixel = 2 * distance * std::tan(kFieldOfView / 2 * kRadiansPerDegree) /
                         static_cast<float>(std::max(viewHeight, 1));
  const DVector3 forward = (target - Eye()) * (1 / distance);
  DVector3 right = forward.Cross(DVector3(0, 1, 0));
  right = right * (1 / right.Length());
  const DVector3 up = right.Cross(forward);
  target = target - right * (static_cast<float>(dx) * perPixel) + up * (static_cast<float>(dy) * perPixel);
}

void OrbitCamera::Zoom(float factor) { distance = std::max(distance * factor, radius * 0.01f); }

void OrbitCamera::Apply(int width, int height) const {
  const float nearPlane = std::max(distance - 2 * radius, distance * 0.001f);
  const float farPlane = distance + 2 * radius;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfView, static_cast<double>(width) / std::max(height, 1), nearPlane, farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const DVector3 eye = Eye();
  gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, 0, 1, 0);
}
