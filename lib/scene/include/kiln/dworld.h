/// \file
/// DWorld, what a frame may show.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include <kiln/dculler.h>
#include <kiln/drenderitem.h>
#include <kiln/dshaderrender.h>
#include <kiln/qobject.h>

class DGeode;
class DMaterial;
class DShader;
struct DVector3;

/// What a frame may show: one render item per geob of every geode added,
/// each with the shader it is painted with; the shaders, from shader files
/// or made from materials; the culler and the group switches. Once a frame
/// Cull decides what is visible; DWorldPainter paints it. The world itself
/// issues no GL call but the culler's reading of the matrices.
class DWorld : public QObject, public DShaderRender {
public:
  static constexpr int kMaxItems = 10000;         ///< the most items a world holds
  static constexpr int kMaxShaders = 10000;       ///< the most shaders a world holds
  static constexpr int kMaxShadowVolumes = 1000;  ///< the most shadow volumes a world holds
  static constexpr int kGroups = 1000;            ///< groups 0 to 999
  /// Told of each step of a long job (loading shaders): its index, the
  /// total and what it is.
  using ProgressFn = void (*)(int index, int total, const char *text);

  /// Empty; it becomes the 3D library's source of shaders by name.
  DWorld();
  /// Deletes the items, the shaders made for them (their materials forget
  /// them) and the loaded shaders; unregisters from the global state.
  ~DWorld() override;
  DWorld(const DWorld &) = delete;
  DWorld &operator=(const DWorld &) = delete;

  const char *ClassName() const override { return "DWorld"; }

  /// One item per geob; geobs without bursts, material or texture are
  /// reported and left out.
  void AddGeode(DGeode *geode);
  /// The items of every level of the geode.
  void RemoveGeode(DGeode *geode);
  /// Takes the shader; a full table deletes it (with a warning): false.
  bool AddShader(DShader *shader);
  DShader *FindShader(const char *name) override;
  /// The "shader_" trees of the file, named with its directory; false for a
  /// file that can't be read.
  bool LoadShaders(const char *file);
  /// Stable, by the shaders' order.
  void SortByShader();
  /// Keeps a shadow volume (not owned); false (with a warning) when 1000
  /// are held.
  bool AddShadowVolume(DGeode *volume);
  ///@{
  /// Items of a disabled group are never visible. Groups 0 to 999; others
  /// are warned about and change nothing.
  void DisableGroup(int group);
  void EnableGroup(int group);
  ///@}
  /// True while the group is disabled.
  bool IsGroupDisabled(int group) const;
  /// Marks each item visible or culled for the current GL view: call it
  /// with the camera's model-view loaded.
  void Cull(const DVector3 &camera, int detail);
  ///@{
  /// Lists the shaders, or the items, on the debug output.
  void DbgPrintShaders() const;
  void DbgPrintObjects() const;
  ///@}

  /// The number of items.
  int GetItemCount() const { return static_cast<int>(items.size()); }
  /// An item (owned by the world), or null out of range.
  DRenderItem *GetItem(int index) const;
  /// The number of shaders loaded or added.
  int GetShaderCount() const { return static_cast<int>(shaders.size()); }
  /// A shader loaded or added (owned by the world), or null out of range.
  DShader *GetShader(int index) const;
  /// The number of shadow volumes.
  int GetShadowVolumeCount() const { return static_cast<int>(shadowVolumes.size()); }
  /// The culler Cull() uses.
  DCuller &GetCuller() { return culler; }
  /// The progress callback; null for none.
  void SetProgress(ProgressFn fn) { progress = fn; }

  float lodScale = 1.0f;  ///< multiplies the distance that picks levels of detail
  int vertexCount = 0;    ///< of the items added
  int triangleCount = 0;  ///< of the items added

private:
  /// A shader made from a material, shared by the items that use it (a
  /// copied geode's materials share it too) and deleted with the last.
  struct MadeShader {
    std::unique_ptr<DShader> shader;
    std::vector<DMaterial *> materials;  // those that recorded it
    int users = 0;
  };
  /// The shader for an item of this material, or null (reported).
  DShader *ShaderFor(DRenderItem &item, DMaterial *material, DGeode *geode, int geob);
  void ReleaseItem(DRenderItem &item);

  std::vector<std::unique_ptr<DRenderItem>> items;
  std::vector<DGeode *> shadowVolumes;
  std::vector<std::unique_ptr<DShader>> shaders;
  std::unordered_map<const DShader *, MadeShader> made;
  DCuller culler;
  bool groupOff[kGroups] = {};
  ProgressFn progress = nullptr;
};
