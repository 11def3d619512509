#include <kiln/qstate.h>

#include <kiln/qapp.h>
#include <kiln/qdebug.h>
#include <kiln/qstatemanager.h>

namespace {

QStateManager *Manager() { return QGetApp() ? QGetApp()->GetStateManager() : nullptr; }

}  // namespace

QState::QState(const char *name, EventProc event, StartProc start, EnterProc enter, LeaveProc leave)
    : eventProc(event), startProc(start), enterProc(enter), leaveProc(leave), stateName(name ? name : "") {
  if (QStateManager *manager = Manager()) {
    manager->Add(this);
  } else {
    qerr("QState(%s); there is no state manager to join", stateName);
  }
}

QState::~QState() {
  if (QStateManager *manager = Manager()) manager->Forget(this);
}
