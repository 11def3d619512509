/// \file
/// DEnvironmentSource, what an environment map is drawn from.
#pragma once

class DTexture;

/// What the application offers shaders for their special maps ("$mirror",
/// "$cubemap0" and the like): environment, sun and normalisation maps and a
/// mirror texture. Registered in the global state's two slots.
class DEnvironmentSource {
public:
  virtual ~DEnvironmentSource() = default;
  /// Each may be null when the source has none.
  virtual DTexture *GetEnvironmentMap() = 0;    ///< "$cubemap0", "$trackenvmap"
  virtual DTexture *GetSunMap() = 0;            ///< "$cubemap1", "$tracksunmap"
  virtual DTexture *GetNormalizationMap() = 0;  ///< "$cubemap2", "$normalizemap"
  virtual DTexture *GetMirror() = 0;            ///< "$mirror"
};
