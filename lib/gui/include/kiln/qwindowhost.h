/// \file
/// QWindowHost, what windows ask of the application.
#pragma once

class QFont;
class QShell;
class QWindowManager;
struct QEvent;

/// What windows ask of the application: its window manager, its shell, its
/// proportional font, the event it is processing, the full-screen mode and
/// the way out. The application object registers itself as the host; until
/// then (and in tests) a program may register a host of its own.
class QWindowHost {
public:
  virtual ~QWindowHost() = default;
  /// Null once the manager is gone: windows destroyed after it leave it be.
  virtual QWindowManager *GetWindowManager() = 0;
  /// The shell, or null.
  virtual QShell *GetShell() { return nullptr; }
  /// The proportional font, or null.
  virtual QFont *GetFont() { return nullptr; }
  /// The event being processed, or null.
  virtual const QEvent *GetCurrentEvent() { return nullptr; }
  /// The video mode a full-screen window switches to.
  virtual void GetFullScreenMode(int *width, int *height, int *depth) {
    *width = 640;
    *height = 480;
    *depth = 32;
  }
  /// Ctrl+Alt+Delete.
  virtual void Exit(int /*code*/) {}
};

/// Registers the host (not owned); null takes it away.
void QSetWindowHost(QWindowHost *host);
/// The registered host, or null.
QWindowHost *QGetWindowHost();
/// The host's window manager, or null without a host.
QWindowManager *QGetWindowManager();
