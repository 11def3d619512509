// The program's states and its VCR: the current state gets the events, and
// every state change is recorded on a tape with the program's data, which
// can be stepped back, played forward, saved and loaded. The manager is a
// small panel of four VCR buttons in the shell.
#pragma once

#include <memory>
#include <string_view>
#include <unordered_map>

#include <kiln/qrect.h>
#include <kiln/qvcrtape.h>
#include <kiln/qwindow.h>

class QButton;
class QState;

class QStateManager : public QWindow {
public:
  static constexpr int kMaxStates = 100;
  using TapeProc = void (*)(QFile *tape);

  // The buttons go into the parent; the tape is "temptape.vcr" here.
  QStateManager(QWindow *parent, const QRect &rect);
  ~QStateManager() override;

  const char *ClassName() const override { return "QStateManager"; }
  // Lays the buttons out in a row over the panel and paints them.
  void Paint(int flags) override;

  // A name already there ends the process; the 101st state is refused.
  bool Add(QState *state);
  // Only the state added last.
  bool Remove(QState *state);
  // A state going away: out of the table, and no longer current or global.
  void Forget(QState *state);
  QState *Find(const char *name) const;
  int GetStateCount() const { return count; }

  void SetState(QState *state, bool noRecord = false);
  QState *GetState() const { return current; }
  void SetGlobalState(QState *state) { global = state; }
  QState *GetGlobalState() const { return global; }
  void SetIOProcs(TapeProc read, TapeProc write);

  // The VCR's clicks and keys, then the global and current states' event
  // procedures; true when consumed.
  bool HandleEvent(QEvent *event);
  bool Record();
  bool PlayNext(bool stay);
  bool Play();
  bool StepBack();
  bool Reverse();
  bool Save(const char *file);
  bool VCR_UseFile(const char *file);
  bool NewTape();
  QVCRTape &GetTape() { return tape; }
  QButton *GetButton(int index) const;  // rewind, play, forward, reverse

private:
  QState *current = nullptr;
  QState *global = nullptr;
  QState *states[kMaxStates] = {};
  int count = 0;
  // The same states by name: playback looks one up for every record.
  std::unordered_map<std::string_view, QState *> byName;
  std::unique_ptr<QButton> rewind, play, forward, reverse;
  TapeProc readProc = nullptr, writeProc = nullptr;
  QVCRTape tape;
};
