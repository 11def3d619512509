// One geob of a world, as the world culls and paints it: where it stands,
// its group and detail, its distances from the camera, and its shader.
#pragma once

#include <cstdint>

class DGeob;
class DMatrix4;
class DShader;

struct DRenderItem {
  enum Flags { OWNS_SHADER = 1 };  // holds a share of a shader made from its material
  enum State { CULLED = 1 };

  bool IsVisible() const { return !(state & CULLED); }

  int flags = 0;
  DGeob *geob = nullptr;                // not owned
  const DMatrix4 *transform = nullptr;  // not owned; none: the geometry is in world space
  int state = 0;
  int16_t group = 0;      // 0 to 999
  int16_t minDetail = 1;  // culled below this detail level
  float distance = 0;     // from the camera to the geob's centre
  float lodDistance = 0;  // from the camera to the geode's centre, times the world's lodScale
  DShader *shader = nullptr;
};
