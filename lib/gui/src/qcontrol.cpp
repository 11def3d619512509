#include <kiln/qcontrol.h>

#include <kiln/qdebug.h>

#include <algorithm>
#include <climits>

void QControl::SetCallback(Callback newCallback, void *data) {
  callback = newCallback;
  userData = data;
}

void QControl::StartKeys(int frameAt, int valueAt, int kind) {
  keys[0] = KeyFrame{0, value, 0};
  keys[1] = KeyFrame{frameAt, valueAt, static_cast<uint8_t>(kind)};
  keyCount = 2;
  frame = 0;
}

void QControl::Key(int frameAt, int valueAt, int kind) {
  if (frameAt < 0) {
    qwarn("QControl::Key was given keyframe<0");
    return;
  }
  if (keyCount == 0) {
    StartKeys(frameAt, valueAt, kind);
  } else {
    for (int i = 0; i < keyCount; ++i) {
      if (keys[i].frame == frameAt) {
        keyCount = i;  // the key and all after it are replaced
        break;
      }
    }
    if (keyCount == 0) {
      StartKeys(frameAt, valueAt, kind);  // nothing left to run from
    } else if (keyCount == kMaxKeys) {
      qwarn("Max control keys reached (%d)", kMaxKeys);
    } else {
      keys[keyCount++] = KeyFrame{frameAt, valueAt, static_cast<uint8_t>(kind)};
    }
  }
  flags &= ~DONE;
  controlFlags &= ~DIRECT_VALUE;
}

void QControl::Jump(int valueAt) {
  controlFlags |= DIRECT_VALUE;
  flags &= ~DONE;
  frame = 0;
  value = valueAt;
}

void QControl::Report(int reported) {
  if (callback) callback(this, userData, reported);
}

void QControl::Iterate() {
  if (IsDone()) return;
  if (controlFlags & DIRECT_VALUE) {
    controlFlags &= ~DIRECT_VALUE;
    flags |= DONE;
    keyCount = 0;
    Report(value);
    return;
  }
  if (keyCount < 2) {
    qwarn("QControl::Iterate: no keys, but not done (BUG)");
    flags |= DONE;
    return;
  }
  int next = 1;
  while (next < keyCount && keys[next].frame <= frame) ++next;
  if (next == keyCount) {
    // Past the last key: its value is reported once more, and the control
    // ends. Keys all at frame 0 reach their value here.
    if (frame == 0) value = keys[keyCount - 1].value;
    controlFlags |= DIRECT_VALUE;
    return;
  }
  const KeyFrame &from = keys[next - 1], &to = keys[next];
  int64_t reached = to.value;
  const int64_t span = static_cast<int64_t>(to.frame) - from.frame;
  if (from.value != to.value && span > 1) {
    // The last frame before the key reaches its value.
    reached = from.value + (static_cast<int64_t>(frame) - from.frame) * (static_cast<int64_t>(to.value) - from.value) / (span - 1);
  }
  const int old = value;
  value = static_cast<int>(std::clamp<int64_t>(reached, INT_MIN, INT_MAX));
  if (frame == 0 || value != old) Report(value);
  ++frame;
}
