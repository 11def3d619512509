/// \file
/// DCuller, view-frustum culling.
#pragma once

#include <kiln/dbox.h>
#include <kiln/dmatrix4.h>
#include <kiln/dplane3.h>

/// View-frustum culling: the six planes of the view volume, taken from the
/// projection and model-view matrices, and the tests of spheres and boxes
/// against them.
class DCuller {
public:
  /// The planes of the view volume, and their number.
  enum Plane { kRight, kLeft, kBottom, kTop, kFar, kNear, kPlanes };

  DCuller() = default;
  virtual ~DCuller() = default;

  /// Takes the current OpenGL projection and model-view matrices; call it
  /// after the camera is set and before culling.
  void Update();
  /// The same from given matrices.
  void Update(const DMatrix4 &projection, const DMatrix4 &modelView);

  /// -1 when the sphere lies wholly outside a plane, else 0.
  int SphereInView(const DVector3 &centre, float radius) const {
    for (const DPlane3 &plane : planes) {
      if (plane.Evaluate(centre) <= -radius) return -1;
    }
    return 0;
  }
  /// -1 wholly outside a plane, 1 wholly inside all, 0 across a plane.
  int BoxInView(const DBox &box) const;

  /// A plane of the view volume (a Plane), its normal pointing inwards.
  const DPlane3 &GetPlane(int plane) const { return planes[plane]; }
  ///@{
  /// The matrices of the last Update(); the clip matrix is the projection
  /// times the model-view.
  const DMatrix4 &GetModelView() const { return modelView; }
  const DMatrix4 &GetProjection() const { return projection; }
  const DMatrix4 &GetClip() const { return clip; }
  ///@}
  /// Prints the planes under the title on the debug output.
  void DbgPrint(const char *title) const;

protected:
  float reserved[3] = {};  ///< free for derived cullers; the tests ignore them

private:
  DPlane3 planes[kPlanes];
  DMatrix4 modelView, projection, clip;
  /// Per plane: bit 0 set when the normal's x > 0, bit 1 for y, bit 2 for z.
  int signMasks[kPlanes] = {};
  /// The sign masks as indices into a box's six values (minimum x, y, z,
  /// maximum x, y, z): where each plane's farthest and nearest corners take
  /// their coordinates, so that they are picked without branches.
  int farthestCorner[kPlanes][3] = {};
  int nearestCorner[kPlanes][3] = {};
};
