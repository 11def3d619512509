// The viewer's camera: it circles a target at a distance, turned by an
// azimuth about the vertical (y) axis and raised by an elevation. At
// azimuth 0 and elevation 0 it looks from +z towards -z; a positive azimuth
// moves it towards +x, a positive elevation above the target. Pointer drags
// turn it by kDegreesPerPixel per pixel, so a drag and --camera agree.
#pragma once

#include <kiln/dvector3.h>

struct OrbitCamera {
  static constexpr float kDegreesPerPixel = 0.5f;
  static constexpr float kFieldOfView = 45.0f;  // vertical, in degrees

  // Looks at the sphere from azimuth 30 and elevation 20, near enough for
  // it to fill the height of the view.
  void Frame(const DVector3 &centre, float sphereRadius);
  DVector3 Eye() const;
  // A drag of the pointer: right turns the model right, down tilts it
  // towards the viewer.
  void Orbit(int dx, int dy);
  // Moves the target with the pointer, in the plane facing the camera.
  void Pan(int dx, int dy, int viewHeight);
  // Multiplies the distance (above 1 moves away).
  void Zoom(float factor);
  // The projection and the model-view of the camera.
  void Apply(int width, int height) const;

  DVector3 target;
  float azimuth = 30, elevation = 20, distance = 1;
  float radius = 1;  // of what is looked at: where near and far lie
};
