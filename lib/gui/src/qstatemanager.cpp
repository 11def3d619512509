#include <kiln/qstatemanager.h>

#include <kiln/qapp.h>
#include <kiln/qbutton.h>
#include <kiln/qdebug.h>
#include <kiln/qexit.h>
#include <kiln/qstate.h>
#include <kiln/qutil.h>

#include <cstdio>

namespace {

constexpr const char *kTape = "temptape.vcr";
constexpr const char *kSaved = "bc.vcr";
constexpr int kCtrlS = 0x40073, kCtrlL = 0x4006C;
constexpr int kCtrlRight = 0x4FF53, kCtrlLeft = 0x4FF51;

std::unique_ptr<QButton> MakeButton(QWindow *parent, const char *icon, int shortcut) {
  QRect place;
  place.Set(0, 0, 100, 10);
  auto button = std::make_unique<QButton>(parent, place, icon);
  if (shortcut) button->SetShortcut(shortcut);
  return button;
}

}  // namespace

QStateManager::QStateManager(QWindow *parent, const QRect &rect)
    : QWindow(parent, rect.x, rect.y, rect.width, rect.height) {
  Create();
  rewind = MakeButton(parent, "$REWIND", 0);
  play = MakeButton(parent, "$PLAY", kCtrlRight);
  forward = MakeButton(parent, "$FORWARD", 0);
  reverse = MakeButton(parent, "$REVERSE", kCtrlLeft);
  if (!tape.Create(kTape)) qerr("Can't open VCR file\n");
}

QStateManager::~QStateManager() = default;

QButton *QStateManager::GetButton(int index) const {
  switch (index) {
    case 0: return rewind.get();
    case 1: return play.get();
    case 2: return forward.get();
    case 3: return reverse.get();
    default: return nullptr;
  }
}

void QStateManager::Paint(int) {
  const QRect &panel = GetRect();
  const int width = panel.width / 4;
  QButton *row[] = {rewind.get(), reverse.get(), play.get(), forward.get()};
  for (int i = 0; i < 4; ++i) {
    // Moving a soft window exposes its parent, which paints this panel
    // again: only a rectangle that changed is set.
    const QRect &place = row[i]->GetRect();
    if (place.x != panel.x + i * width || place.y != panel.y) row[i]->SetPos(panel.x + i * width, panel.y);
    if (place.width != width || place.height != panel.height) row[i]->SetSize(width, panel.height);
    row[i]->Paint(0);
  }
}

bool QStateManager::Add(QState *state) {
  if (!state) return false;
  if (Find(state->GetStateName())) {
    std::printf("Multiply defined state named '%s'\n", state->GetStateName());
    std::fflush(stdout);
    qexit(1);
  }
  if (count == kMaxStates) {
    qwarn("QStateManager:Add(); maximum (%d) reached", kMaxStates);
    return false;
  }
  states[count++] = state;
  byName.emplace(state->GetStateName(), state);
  return true;
}

bool QStateManager::Remove(QState *state) {
  if (count == 0) {
    qerr("QStateManager:Remove without states");
    return false;
  }
  if (states[count - 1] != state) {
    qerr("QStateManager:Remove: state must be the last added");
    return false;
  }
  states[--count] = nullptr;
  byName.erase(state->GetStateName());
  return true;
}

void QStateManager::Forget(QState *state) {
  if (current == state) current = nullptr;
  if (global == state) global = nullptr;
  for (int i = 0; i < count; ++i) {
    if (states[i] != state) continue;
    for (int j = i; j + 1 < count; ++j) states[j] = states[j + 1];
    states[--count] = nullptr;
    byName.erase(state->GetStateName());
    return;
  }
}

QState *QStateManager::Find(const char *name) const {
  if (!name) return nullptr;
  const auto found = byName.find(name);
  return found == byName.end() ? nullptr : found->second;
}

void QStateManager::SetIOProcs(TapeProc read, TapeProc write) {
  readProc = read;
  writeProc = write;
}

void QStateManager::SetState(QState *state, bool noRecord) {
  if (current && current->leaveProc) current->leaveProc();
  current = state;
  if (current && current->enterProc) current->enterProc();
  if (!noRecord) Record();
}

bool QStateManager::Record() {
  if (!current) return true;
  return tape.Record(current->GetStateName(), [this](QFile &file) {
    if (writeProc) writeProc(&file);
  });
}

bool QStateManager::PlayNext(bool stay) {
  QState *found = nullptr;
  const bool played = tape.Play(stay, [this, &found](const char *name, QFile &file) {
    found = Find(name);
    if (!found) {
      qerr("State '%s' was not found in this application.", name);
      return false;
    }
    if (readProc) readProc(&file);
    return true;
  });
  if (!played) return false;
  // Entered as it was recorded: the old state isn't left, nothing is
  // recorded.
  current = found;
  if (current->enterProc) current->enterProc();
  if (current->startProc) current->startProc(current);
  if (QApp *app = QGetApp()) app->SyncFX();
  qdbg("new pos=%d\n", static_cast<int>(tape.GetPosition()));
  return true;
}

bool QStateManager::Play() {
  if (!tape.IsUsable() || tape.GetPosition() >= tape.GetSize()) return false;
  return PlayNext(false);
}

bool QStateManager::StepBack() { return tape.StepBack(); }

bool QStateManager::Reverse() {
  if (!tape.StepBack()) return false;
  tape.StepBack();
  return PlayNext(false);
}

bool QStateManager::Save(const char *file) {
  qdbg("> Saving VCR recording as '%s'", file);
  if (!tape.Save(file)) {
    qwarn("** VCR Save failed");
    return false;
  }
  qdbg("\n");
  return true;
}

bool QStateManager::VCR_UseFile(const char *file) {
  if (!QFileExists(file)) {
    qwarn("VCR file not found");
    return false;
  }
  if (!tape.Open(file)) return false;  // it said why
  qdbg("VCR_UseFile: %d states in '%s'\n", tape.GetRecordCount(), file);
  if (tape.GetRecordCount() > 0 && tape.StepBack()) PlayNext(false);
  return true;
}

bool QStateManager::NewTape() {
  if (tape.Create(kTape)) return true;
  qerr("Can't open VCR file\n");
  return false;
}

bool QStateManager::HandleEvent(QEvent *event) {
  if (event->type == QEVENT_CLICK) {
    if (event->window == reverse.get()) {
      qdbg("Reverse 1 frame\n");
      Reverse();
    } else if (event->window == play.get()) {
      Play();
    }
  } else if (event->type == QEVENT_KEYPRESS && event->n == kCtrlS) {
    Save(kSaved);
    return true;
  } else if (event->type == QEVENT_KEYPRESS && event->n == kCtrlL) {
    // Recording goes on in a copy: the saved tape stays as it was.
    if (VCR_UseFile(kSaved) && Save(kTape)) VCR_UseFile(kTape);
    return true;
  }
  if (global && global->eventProc && global->eventProc(event)) return true;
  return current && current->eventProc ? current->eventProc(event) : false;
}
