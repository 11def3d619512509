// The transform base of placed 3D objects: position, rotation, scale, and
// two flag bits that belong to the application.
#pragma once

class DObject {
public:
  enum Flags { FLAG_0 = 1, FLAG_1 = 2 };

  DObject() = default;
  virtual ~DObject() = default;

  void SetTransform(float px, float py, float pz, float rx, float ry, float rz, float sx, float sy, float sz);
  void SetPosition(float x, float y, float z);
  void SetRotation(float x, float y, float z);
  const float *GetPosition() const { return position; }
  const float *GetRotation() const { return rotation; }
  const float *GetScale() const { return scale; }

  void SetFlag0() { flags |= FLAG_0; }
  void ClearFlag0() { flags &= ~FLAG_0; }
  void SetFlag1() { flags |= FLAG_1; }
  bool IsFlag0() const { return flags & FLAG_0; }
  bool IsFlag1() const { return flags & FLAG_1; }

protected:
  float position[3] = {0, 0, 0};
  float rotation[3] = {0, 0, 0};
  float scale[3] = {1, 1, 1};
  int flags = 0;
};
