/// \file
/// DObject, the transform base of placed 3D objects.
#pragma once

/// The transform base of placed 3D objects: position, rotation, scale, and
/// two flag bits that belong to the application.
class DObject {
public:
  /// The application's two flag bits.
  enum Flags { FLAG_0 = 1, FLAG_1 = 2 };

  /// At the origin, unrotated, scale 1.
  DObject() = default;
  virtual ~DObject() = default;

  /// Position, rotation (angles about x, y and z) and scale at once.
  void SetTransform(float px, float py, float pz, float rx, float ry, float rz, float sx, float sy, float sz);
  /// Where the object stands.
  void SetPosition(float x, float y, float z);
  /// The angles about x, y and z.
  void SetRotation(float x, float y, float z);
  ///@{
  /// Three floats each: x, y, z.
  const float *GetPosition() const { return position; }
  const float *GetRotation() const { return rotation; }
  const float *GetScale() const { return scale; }
  ///@}

  ///@{
  /// The application's flag bits, kept and never looked at.
  void SetFlag0() { flags |= FLAG_0; }
  void ClearFlag0() { flags &= ~FLAG_0; }
  void SetFlag1() { flags |= FLAG_1; }
  bool IsFlag0() const { return flags & FLAG_0; }
  bool IsFlag1() const { return flags & FLAG_1; }
  ///@}

protected:
  float position[3] = {0, 0, 0};  ///< x, y, z
  float rotation[3] = {0, 0, 0};  ///< angles about x, y and z
  float scale[3] = {1, 1, 1};     ///< along x, y and z
  int flags = 0;                  ///< Flags
};
