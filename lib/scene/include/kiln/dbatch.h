/// \file
/// DBatch, bursts grouped by texture.
#pragma once

#include <cstdint>

class DGeob;
class DGeode;
class DMaterial;
class DTexture;

/// Groups the bursts of many geodes by the texture they are painted with, so
/// that each texture is bound once a frame. Filled with Add() every frame
/// and emptied by its own Paint().
class DBatch {
public:
  static constexpr int kMaxGroups = 200;   ///< textures a frame
  static constexpr int kMaxEntries = 500;  ///< bursts a frame; more are left out

  /// Empties the groups.
  void Reset();
  /// The group of the key texture, a new one when absent; -1 when all 200
  /// are taken by others.
  int FindGroup(DTexture *key);
  /// Every burst of every geob whose material has a texture.
  void Add(DGeode *geode);
  /// Group by group (opaque groups before transparent ones), then resets.
  void Paint();

  /// The number of groups (textures) held.
  int GetGroupCount() const { return groupCount; }
  /// The number of bursts held.
  int GetEntryCount() const { return entryCount; }
  /// True when a transparent burst is held.
  bool HasTransparent() const { return flags & 1; }

private:
  struct Entry {
    Entry *next;
    DGeob *geob;
    int16_t burst;
    int16_t transparent;
  };
  struct Group {
    DTexture *key;
    DMaterial *material;
    Entry *head;
  };
  void PaintGroup(const Group &group);

  Group groups[kMaxGroups];
  Entry entries[kMaxEntries];
  int groupCount = 0;
  int entryCount = 0;
  int flags = 0;
};
