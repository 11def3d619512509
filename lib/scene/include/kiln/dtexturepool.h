/// \file
/// DTexturePool, the textures of the process by file name.
#pragma once

class DTexture;

/// The textures of the process by file name, so that model files share
/// them. An index only: it holds no references, and a texture leaves it when
/// it is destroyed.
class DTexturePool {
public:
  /// The most entries the pool holds; Add() refuses more.
  static constexpr int kCapacity = 3000;

  DTexturePool() = default;
  ~DTexturePool();
  DTexturePool(const DTexturePool &) = delete;
  DTexturePool &operator=(const DTexturePool &) = delete;

  /// True when entered, or when the name has a texture already (which stays).
  bool Add(const char *name, DTexture *texture);
  /// Exact, case-sensitive; the first match.
  DTexture *Find(const char *name) const;
  /// Takes out the first entry holding the texture.
  void Remove(DTexture *texture);
  /// Counts the entries whose name matches the wildcard pattern, handing each
  /// texture to `callback` when one is given.
  int FindAll(const char *pattern, void (*callback)(DTexture *texture) = nullptr) const;
  /// Forgets every entry; the textures stay.
  void Clear();
  /// Lists the entries with their reference counts on the debug output.
  void DbgPrint(const char *title) const;

  /// The number of entries.
  int GetCount() const { return count; }

private:
  char *names[kCapacity] = {};
  DTexture *textures[kCapacity] = {};
  int count = 0;
};
