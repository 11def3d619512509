// The textures of the process by file name, so that model files share
// them. An index only: it holds no references, and a texture leaves it when
// it is destroyed.
#pragma once

class DTexture;

class DTexturePool {
public:
  static constexpr int kCapacity = 3000;

  DTexturePool() = default;
  ~DTexturePool();
  DTexturePool(const DTexturePool &) = delete;
  DTexturePool &operator=(const DTexturePool &) = delete;

  // True when entered, or when the name has a texture already (which stays).
  bool Add(const char *name, DTexture *texture);
  // Exact, case-sensitive; the first match.
  DTexture *Find(const char *name) const;
  // Takes out the first entry holding the texture.
  void Remove(DTexture *texture);
  // Counts the entries whose name matches the wildcard pattern, handing each
  // texture to `callback` when one is given.
  int FindAll(const char *pattern, void (*callback)(DTexture *texture) = nullptr) const;
  void Clear();
  void DbgPrint(const char *title) const;

  int GetCount() const { return count; }

private:
  char *names[kCapacity] = {};
  DTexture *textures[kCapacity] = {};
  int count = 0;
};
