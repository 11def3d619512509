// The standard effect: one integer value driven along keyframes by linear
// interpolation, handed to a callback each frame it changes.
#pragma once

#include <cstdint>

#include <kiln/qfx.h>

class QControl : public QFX {
public:
  using Callback = int (*)(QControl *control, void *data, int value);
  static constexpr int kMaxKeys = 6;

  explicit QControl(int id = 0) : id(id) {}

  const char *ClassName() const override { return "QControl"; }
  void SetCallback(Callback callback, void *data);
  // The value at the frame (counted from the control's start).
  void Key(int frame, int value, int kind = 0);
  // Reports the value at the next step and ends.
  void Jump(int value);
  void Iterate() override;

  int GetValue() const { return value; }
  int GetFrame() const { return frame; }
  int GetKeyCount() const { return keyCount; }
  int GetID() const { return id; }

private:
  enum ControlFlags { DIRECT_VALUE = 2 };
  struct KeyFrame {
    int frame = 0;
    int value = 0;
    uint8_t kind = 0;
  };
  // Keys from the current value at frame 0 to (frame, value).
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
