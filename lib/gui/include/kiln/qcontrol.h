/// \file
/// QControl, a keyframed value.
#pragma once

#include <cstdint>

#include <kiln/qfx.h>

/// The standard effect: one integer value driven along keyframes by linear
/// interpolation, handed to a callback each frame it changes.
class QControl : public QFX {
public:
  /// Called with the control, its data and the new value.
  using Callback = int (*)(QControl *control, void *data, int value);
  /// The most keys a control holds.
  static constexpr int kMaxKeys = 6;

  /// A control with an identifier of the program's choosing.
  explicit QControl(int id = 0) : id(id) {}

  const char *ClassName() const override { return "QControl"; }
  /// The callback and its data (not owned).
  void SetCallback(Callback callback, void *data);
  /// The value at the frame (counted from the control's start); `kind` is
  /// kept with the key (the interpolation is linear).
  void Key(int frame, int value, int kind = 0);
  /// Reports the value at the next step and ends.
  void Jump(int value);
  /// One frame along the keys; reports the value when it changed.
  void Iterate() override;

  /// The value reported last.
  int GetValue() const { return value; }
  /// The frames stepped since the keys were set.
  int GetFrame() const { return frame; }
  /// The number of keys held.
  int GetKeyCount() const { return keyCount; }
  /// The identifier given when made.
  int GetID() const { return id; }

private:
  enum ControlFlags { DIRECT_VALUE = 2 };
  struct KeyFrame {
    int frame = 0;
    int value = 0;
    uint8_t kind = 0;
  };
  /// Keys from the current value at frame 0 to (frame, value).
  void StartKeys(int frameAt, int valueAt, int kind);
  void Report(int reported);

  int controlFlags = 0;
  KeyFrame keys[kMaxKeys];
  int keyCount = 0;
  int frame = 0;
  int value = 0;
  int id;
  void *userData = nullptr;
  Callback callback = nullptr;
};
