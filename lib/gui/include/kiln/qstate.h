// A named state of a program (a screen or a mode) with its procedures. A
// state joins the application's state manager when made and leaves it when
// destroyed.
#pragma once

#include <kiln/qevent.h>
#include <kiln/qobject.h>

class QState : public QObject {
public:
  using EventProc = bool (*)(QEvent *event);  // true: consumed
  using StartProc = void (*)(QState *state);
  using EnterProc = void (*)();
  using LeaveProc = void (*)();

  // The name stays the caller's and must be unique among the states.
  QState(const char *name, EventProc event = nullptr, StartProc start = nullptr, EnterProc enter = nullptr,
         LeaveProc leave = nullptr);
  ~QState() override;

  const char *ClassName() const override { return "QState"; }
  const char *GetStateName() const { return stateName; }

  EventProc eventProc;
  StartProc startProc;
  EnterProc enterProc;
  LeaveProc leaveProc;

private:
  const char *stateName;
};
