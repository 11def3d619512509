// Paints a world's items in its order: the state of a shader is set once
// for each run of items that use it, layer by layer, and each layer drawn
// as a pass over the run's geobs under their transforms. GL state comes
// back as it was.
#pragma once

class DShader;
struct DShaderLayer;
class DWorld;

class DWorldPainter {
public:
  struct Counts {
    int items = 0;
    int shaderChanges = 0;
    int drawCalls = 0;
  };

  // The visible items (or all of them); what it took.
  Counts Paint(const DWorld &world, bool visibleOnly = true);

private:
  static void SetShader(const DShader &shader);
  static void SetLayer(const DShaderLayer &layer);
};
