/// \file
/// DWorldPainter, which paints a world shader by shader.
#pragma once

class DShader;
struct DShaderLayer;
class DWorld;

/// Paints a world's items in its order: the state of a shader is set once
/// for each run of items that use it, layer by layer, and each layer drawn
/// as a pass over the run's geobs under their transforms. GL state comes
/// back as it was.
class DWorldPainter {
public:
  /// What a Paint() took.
  struct Counts {
    int items = 0;          ///< items painted
    int shaderChanges = 0;  ///< runs of items with one shader
    int drawCalls = 0;      ///< geobs drawn, layer by layer
  };

  /// The visible items (or all of them); what it took.
  Counts Paint(const DWorld &world, bool visibleOnly = true);

private:
  static void SetShader(const DShader &shader);
  static void SetLayer(const DShaderLayer &layer);
};
