/// \file
/// QState, a named state of a program.
#pragma once

#include <kiln/qevent.h>
#include <kiln/qobject.h>

/// A named state of a program (a screen or a mode) with its procedures. A
/// state joins the application's state manager when made and leaves it when
/// destroyed.
class QState : public QObject {
public:
  using EventProc = bool (*)(QEvent *event);  ///< true: consumed
  using StartProc = void (*)(QState *state);   ///< after entering, to start the state's work
  using EnterProc = void (*)();                ///< when the state becomes the current one
  using LeaveProc = void (*)();                ///< when another state takes over

  /// The name stays the caller's and must be unique among the states.
  QState(const char *name, EventProc event = nullptr, StartProc start = nullptr, EnterProc enter = nullptr,
         LeaveProc leave = nullptr);
  ~QState() override;

  const char *ClassName() const override { return "QState"; }
  /// The name given when made.
  const char *GetStateName() const { return stateName; }

  EventProc eventProc;  ///< offered every event while current; may be null
  StartProc startProc;  ///< may be null
  EnterProc enterProc;  ///< may be null
  LeaveProc leaveProc;  ///< may be null

private:
  const char *stateName;
};
