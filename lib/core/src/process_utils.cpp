// Sleeping, privileges and processes.
#include <kiln/qutil.h>

#include <kiln/qdebug.h>
#include <kiln/qtimer.h>

#include <unistd.h>

#include <cerrno>
#include <ctime>

void QSleepMicro(long microseconds) {
  if (microseconds <= 0) return;
  struct timespec wait;
  wait.tv_sec = microseconds / 1000000;
  wait.tv_nsec = (microseconds % 1000000) * 1000;
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

void QWaitMilli(int milliseconds) {
  QTimer timer;
  timer.Restart();
  timer.Wait(0, milliseconds);
}

bool QSetRootPrivileges(bool on) {
  // Raising: the user first, as only root may change the group. Dropping:
  // the group first, while the user still may.
  if (on) {
    bool user = seteuid(0) == 0;
    bool group = setegid(0) == 0;
    return user && group;
  }
  bool group = setegid(getgid()) == 0;
  bool user = seteuid(getuid()) == 0;
  return group && user;
}

int QFindProcess() {
  qerr("QFindProcess() nyi on non-Win32");
  return 0;
}

bool QKillProcess(const char *) {
  qerr("QKillProcess() nyi on non-Win32");
  return false;
}
