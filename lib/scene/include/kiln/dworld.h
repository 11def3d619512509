// What a frame may show: one render item per geob of every geode added,
// each with the shader it is painted with; the shaders, from shader files
// or made from materials; the culler and the group switches. Once a frame
// Cull decides what is visible; DWorldPainter paints it. The world itself
// issues no GL call but the culler's reading of the matrices.
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

class DWorld : public QObject, public DShaderRender {
public:
  static constexpr int kMaxItems = 10000;
  static constexpr int kMaxShaders = 10000;
  static constexpr int kMaxShadowVolumes = 1000;
  static constexpr int kGroups = 1000;
  using ProgressFn = void (*)(int index, int total, const char *text);

  DWorld();
  // Deletes the items, the shaders made for them (their materials forget
  // them) and the loaded shaders; unregisters from the global state.
  ~DWorld() override;
  DWorld(const DWorld &) = delete;
  DWorld &operator=(const DWorld &) = delete;

  const char *ClassName() const override { return "DWorld"; }

  // One item per geob; geobs without bursts, material or texture are
  // reported and left out.
  void AddGeode(DGeode *geode);
  // The items of every level of the geode.
  void RemoveGeode(DGeode *geode);
  // Takes the shader; a full table deletes it (with a warning): false.
  bool AddShader(DShader *shader);
  DShader *FindShader(const char *name) override;
  // The "shader_" trees of the file, named with its directory; false for a
  // file that can't be read.
  bool LoadShaders(const char *file);
  // Stable, by the shaders' order.
  void SortByShader();
  bool AddShadowVolume(DGeode *volume);
  // Groups 0 to 999; others are warned about and change nothing.
  void DisableGroup(int group);
  void EnableGroup(int group);
  bool IsGroupDisabled(int group) const;
  // Marks each item visible or culled for the current GL view: call it
  // with the camera's model-view loaded.
  void Cull(const DVector3 &camera, int detail);
  void DbgPrintShaders() const;
  void DbgPrintObjects() const;

  int GetItemCount() const { return static_cast<int>(items.size()); }
  DRenderItem *GetItem(int index) const;
  int GetShaderCount() const { return static_cast<int>(shaders.size()); }
  DShader *GetShader(int index) const;
  int GetShadowVolumeCount() const { return static_cast<int>(shadowVolumes.size()); }
  DCuller &GetCuller() { return culler; }
  void SetProgress(ProgressFn fn) { progress = fn; }

  float lodScale = 1.0f;  // multiplies the distance that picks levels of detail
  int vertexCount = 0, triangleCount = 0;

private:
  // A shader made from a material, shared by the items that use it (a
  // copied geode's materials share it too) and deleted with the last.
  struct MadeShader {
    std::unique_ptr<DShader> shader;
    std::vector<DMaterial *> materials;  // those that recorded it
    int users = 0;
  };
  // The shader for an item of this material, or null (reported).
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
