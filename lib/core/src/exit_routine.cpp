// qexit() and its shutdown hooks.
#include <kiln/qexit.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kMaxHooks = 16;
QShutdownHook hooks[kMaxHooks];
int hookCount = 0;

}  // namespace

bool qexit_add_hook(QShutdownHook hook) {
  for (int i = 0; i < hookCount; ++i) {
    if (hooks[i] == hook) return true;
  }
  if (!hook || hookCount == kMaxHooks) return false;
  hooks[hookCount++] = hook;
  return true;
}

bool qexit_remove_hook(QShutdownHook hook) {
  for (int i = 0; i < hookCount; ++i) {
    if (hooks[i] == hook) {
      for (int j = i + 1; j < hookCount; ++j) hooks[j - 1] = hooks[j];
      --hookCount;
      return true;
    }
  }
  return false;
}

namespace {

void RunHooks() {
  // A hook that ends in qexit() again must not run the hooks twice.
  int count = hookCount;
  hookCount = 0;
  for (int i = 0; i < count; ++i) hooks[i]();
}

}  // namespace

void qexit(int status) {
  RunHooks();
  std::exit(status);
}

void qexit_now(int status) {
  RunHooks();
  std::fflush(nullptr);
  _exit(status);
}
