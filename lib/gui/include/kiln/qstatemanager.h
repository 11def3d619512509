/// \file
/// QStateManager, the program's states and its VCR.
#pragma once

#include <memory>
#include <string_view>
#include <unordered_map>

#include <kiln/qrect.h>
#include <kiln/qvcrtape.h>
#include <kiln/qwindow.h>

class QButton;
class QState;

/// The program's states and its VCR: the current state gets the events, and
/// every state change is recorded on a tape with the program's data, which
/// can be stepped back, played forward, saved and loaded. The manager is a
/// small panel of four VCR buttons in the shell.
class QStateManager : public QWindow {
public:
  /// The most states a program has.
  static constexpr int kMaxStates = 100;
  /// Writes or reads the program's data of a record on the tape.
  using TapeProc = void (*)(QFile *tape);

  /// The buttons go into the parent; the tape is "temptape.vcr" here.
  QStateManager(QWindow *parent, const QRect &rect);
  ~QStateManager() override;

  const char *ClassName() const override { return "QStateManager"; }
  /// Lays the buttons out in a row over the panel and paints them.
  void Paint(int flags) override;

  /// A name already there ends the process; the 101st state is refused.
  bool Add(QState *state);
  /// Only the state added last.
  bool Remove(QState *state);
  /// A state going away: out of the table, and no longer current or global.
  void Forget(QState *state);
  /// The state of that name, or null.
  QState *Find(const char *name) const;
  /// The number of states.
  int GetStateCount() const { return count; }

  /// Makes the state current: the old one's leave procedure, the new one's
  /// enter procedure, then a record on the tape unless `noRecord`. (Its
  /// start procedure is called by QApp::Run() and when a record is played.)
  void SetState(QState *state, bool noRecord = false);
  /// The current state, or null.
  QState *GetState() const { return current; }
  /// The state offered every event before the current one (the application
  /// sets it when it runs).
  void SetGlobalState(QState *state) { global = state; }
  /// The global state, or null.
  QState *GetGlobalState() const { return global; }
  /// The procedures writing and reading the program's data of each record.
  void SetIOProcs(TapeProc read, TapeProc write);

  /// The VCR's clicks and keys, then the global and current states' event
  /// procedures; true when consumed.
  bool HandleEvent(QEvent *event);
  /// Writes a record of the current state and the program's data.
  bool Record();
  /// Reads the record at the tape's position and enters its state (moving
  /// on unless `stay`); false at the end, for an unknown name or a damaged
  /// record (with a message).
  bool PlayNext(bool stay);
  /// PlayNext() unless the tape is at its end.
  bool Play();
  /// To the start of the record before; false at the start.
  bool StepBack();
  /// Two steps back and the record played: the state before again.
  bool Reverse();
  /// The tape up to its position into the file; false (with "** VCR Save
  /// failed") when it can't be written whole.
  bool Save(const char *file);
  /// Makes the file the tape when it checks out whole, entering its last
  /// record; false, and the tape as it was, otherwise.
  bool VCR_UseFile(const char *file);
  /// A new empty "temptape.vcr" as the tape.
  bool NewTape();
  /// The tape.
  QVCRTape &GetTape() { return tape; }
  QButton *GetButton(int index) const;  ///< rewind, play, forward, reverse

private:
  QState *current = nullptr;
  QState *global = nullptr;
  QState *states[kMaxStates] = {};
  int count = 0;
  /// The same states by name: playback looks one up for every record.
  std::unordered_map<std::string_view, QState *> byName;
  std::unique_ptr<QButton> rewind, play, forward, reverse;
  TapeProc readProc = nullptr, writeProc = nullptr;
  QVCRTape tape;
};
