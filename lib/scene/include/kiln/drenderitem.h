/// \file
/// DRenderItem, one geob of a world.
#pragma once

#include <cstdint>

class DGeob;
class DMatrix4;
class DShader;

/// One geob of a world, as the world culls and paints it: where it stands,
/// its group and detail, its distances from the camera, and its shader.
struct DRenderItem {
  /// Flags of an item.
  enum Flags {
    OWNS_SHADER = 1  ///< holds a share of a shader made from its material
  };
  /// What the last DWorld::Cull() decided.
  enum State {
    CULLED = 1  ///< not painted this frame
  };

  /// True when the last cull left it in view.
  bool IsVisible() const { return !(state & CULLED); }

  int flags = 0;  ///< Flags
  DGeob *geob = nullptr;                ///< not owned
  const DMatrix4 *transform = nullptr;  ///< not owned; none: the geometry is in world space
  int state = 0;  ///< State
  int16_t group = 0;      ///< 0 to 999
  int16_t minDetail = 1;  ///< culled below this detail level
  float distance = 0;     ///< from the camera to the geob's centre
  float lodDistance = 0;  ///< from the camera to the geode's centre, times the world's lodScale
  DShader *shader = nullptr;  ///< what it is painted with; the world's
};
