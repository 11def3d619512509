#include <kiln/qfxmanager.h>

#include <kiln/qdebug.h>
#include <kiln/qdraw.h>
#include <kiln/qfx.h>
#include <kiln/qgellist.h>

#include "safe_walk.h"

QFXManager::~QFXManager() {
  for (QFX *effect = first; effect;) {
    QFX *next = effect->next;
    effect->manager = nullptr;
    effect->next = nullptr;
    effect = next;
  }
}

void QFXManager::Add(QFX *effect) {
  if (!effect) return;
  if (effect->manager) effect->manager->Remove(effect);
  effect->next = first;
  effect->manager = this;
  first = effect;
}

bool QFXManager::Remove(QFX *effect) {
  for (QFX **link = &first; *link; link = &(*link)->next) {
    if (*link != effect) continue;
    Walk::Forget(walks, effect, effect->next);
    *link = effect->next;
    effect->next = nullptr;
    effect->manager = nullptr;
    return true;
  }
  qwarn("QFXManager:Remove: couldn't find FX");
  return false;
}

bool QFXManager::AllDone() const {
  for (QFX *effect = first; effect; effect = effect->next) {
    if (!effect->IsDone()) return false;
  }
  return true;
}

void QFXManager::Iterate(int iterateFlags) {
  if (gels) gels->SavePlaces();
  {
    Walk walk(walks, first);
    while (QFX *effect = walk.Next()) effect->Iterate();
  }
  if (gels) gels->Update();
  if (afterFrame) afterFrame(this);
  if (!(iterateFlags & NO_SWAP) && window) window->Swap();
}

bool QFXManager::RunToEnd() {
  for (int frames = 0; !AllDone(); ++frames) {
    if (frames == kMaxRunFrames) {
      qwarn("QFXManager:RunToEnd; effects still running after %d frames; stopped", kMaxRunFrames);
      return false;
    }
    Iterate(0);
  }
  return true;
}
