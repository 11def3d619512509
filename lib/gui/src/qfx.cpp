#include <kiln/qfx.h>

#include <kiln/qfxmanager.h>

QFX::~QFX() {
  if (manager) manager->Remove(this);
}
