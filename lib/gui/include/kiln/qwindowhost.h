// What windows ask of the application: its window manager, its shell, its
// proportional font, the event it is processing, the full-screen mode and
// the way out. The application object registers itself as the host; until
// then (and in tests) a program may register a host of its own.
#pragma once

class QFont;
class QShell;
class QWindowManager;
struct QEvent;

class QWindowHost {
public:
  virtual ~QWindowHost() = default;
  // Null once the manager is gone: windows destroyed after it leave it be.
  virtual QWindowManager *GetWindowManager() = 0;
  virtual QShell *GetShell() { return nullptr; }
  virtual QFont *GetFont() { return nullptr; }
  // The event being processed, or null.
  virtual const QEvent *GetCurrentEvent() { return nullptr; }
  // The video mode a full-screen window switches to.
  virtual void GetFullScreenMode(int *width, int *height, int *depth) {
    *width = 640;
    *height = 480;
    *depth = 32;
  }
  // Ctrl+Alt+Delete.
  virtual void Exit(int /*code*/) {}
};

void QSetWindowHost(QWindowHost *host);
QWindowHost *QGetWindowHost();
// The host's window manager, or null without a host.
QWindowManager *QGetWindowManager();
