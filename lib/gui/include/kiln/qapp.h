/// \file
/// QApp, the application object and its event loop.
#pragma once

#include <memory>
#include <vector>

#include <kiln/qdebug.h>
#include <kiln/qevent.h>
#include <kiln/qobject.h>
#include <kiln/qrect.h>
#include <kiln/qstring.h>
#include <kiln/qwindowhost.h>

class QBC;
class QCursor;
class QDisplay;
class QFXManager;
class QFont;
class QGelList;
class QLanguage;
class QShell;
class QState;
class QStateManager;
class QWindowManager;

/// What Create() makes, as the preferences chose.
enum QAppCreationFlags {
  QAPP_NO_SHELL = 1,          ///< no shell (nor a BC or state manager in it)
  QAPP_NO_BC = 2,             ///< no BC
  QAPP_NO_STATE_MANAGER = 4,  ///< no state manager
  QAPP_SHELL_WM = 8,          ///< the shell decorated by the X window manager
  QAPP_SHELL_FULLSCREEN = 16  ///< the shell over the whole screen
};

/// The application object: one per graphical program. It opens the display,
/// builds the shell, the BC and their fonts and cursors, and runs the event
/// loop: each event goes to the built-in keys, the keyboard handlers, the
/// window manager, the program's event procedure and the state manager, the
/// first that consumes it ending its way. Windows reach it as their host.
class QApp : public QObject, public QWindowHost {
public:
  using IdleProc = void (*)();                 ///< called when no event waits
  using EventProc = bool (*)(QEvent *event);  ///< true: consumed
  using ExitProc = void (*)();                ///< called before the program ends; may cancel
  using KeyboardHandler = bool (*)(QEvent *event);  ///< offered key events before the windows; true: consumed
  /// Told of each screenshot the keys saved: the file, and "UI" or "BC".
  using ScreenshotProc = void (*)(const char *file, const char *what);
  /// Registered by the 3D library: releases its global resources while the
  /// windows and their GL contexts still exist.
  using ReleaseHook = void (*)();
  static constexpr int kKeyboardHandlers = 5;  ///< handlers held at once
  static constexpr int kFXManagers = 3;        ///< FX managers made with the BC
  /// SyncFX stops repainting gels that keep marking themselves after this
  /// many frames (two settle any change, one for each buffer).
  static constexpr int kMaxSettleFrames = 100;

  /// Opens the default display and allocates the default colours; without a
  /// display the process ends with status 1. Becomes the application.
  explicit QApp(const char *name, const char *title = nullptr);
  /// Releases the 3D library's resources, then destroys what the
  /// application made, the display last.
  ~QApp() override;

  const char *ClassName() const override { return "QApp"; }

  ///@{
  /// Preferences, only before Create(). The rectangles stay the caller's.
  void PrefShellRect(const QRect *rect) { shellRect = rect; }
  void PrefBCRect(const QRect *rect) { bcRect = rect; }
  void NoShell() { creationFlags |= QAPP_NO_SHELL; }
  void NoBC() { creationFlags |= QAPP_NO_BC; }
  void NoStateManager() { creationFlags |= QAPP_NO_STATE_MANAGER; }
  void PrefWM(bool on);
  void PrefFullScreen() { creationFlags |= QAPP_SHELL_FULLSCREEN; }
  ///@}

  ///@{
  /// The program's procedures; null for none.
  void SetIdleProc(IdleProc proc) { idleProc = proc; }
  void SetEventProc(EventProc proc) { eventProc = proc; }
  void SetExitProc(ExitProc proc) { exitProc = proc; }
  void SetScreenshotProc(ScreenshotProc proc) { screenshotProc = proc; }
  ///@}
  /// The 3D library's release hook (it registers itself).
  static void SetReleaseHook(ReleaseHook hook);

  /// The event queue, the window manager, the shell, the BC, the fonts and
  /// the state manager; false when a window could not be made.
  bool Create();
  /// Starts the states and processes events for ever; the program ends
  /// through Exit() or the shell's close event.
  [[noreturn]] void Run(QState *state = nullptr, QState *global = nullptr);
  /// The same start, then the events waiting now.
  void RunPending(QState *state = nullptr, QState *global = nullptr);
  /// One event: 2 when none was waiting (after the idle procedure), 0 when
  /// something consumed it, 1 otherwise. The library never sleeps here: an
  /// idle procedure that has nothing to do waits (poll on GetDisplayFD()).
  int ProcessEvent();
  /// Calls the exit procedure; unless it cancelled, destroys the application
  /// and ends the process with the code.
  void Exit(int code) override;
  /// From the exit procedure: the application goes on.
  void CancelExit() { runFlags |= kExitCancelled; }

  /// Adds a handler; false (with a warning) when five are held.
  bool AddKeyboardHandler(KeyboardHandler handler);
  /// Removes a handler; false (with a warning) when it isn't there.
  bool RemoveKeyboardHandler(KeyboardHandler handler);
  /// Not available on this platform; says so and returns 0.
  int AddTimer(int milliseconds, IdleProc proc);

  /// The pointer in root coordinates, asked of the server; 0, 0 when it
  /// can't be had.
  void GetMouseXY(int *x, int *y) const;
  ///@{
  /// The mouse position the events last carried.
  int GetMouseX() const { return mouseX; }
  int GetMouseY() const { return mouseY; }
  ///@}
  /// The mouse buttons held, bit 0 for button 1.
  int GetButtons() const { return buttons; }
  /// The modifier keys held (QKeyModifiers).
  int GetModifiers() const { return modifiers; }
  /// Default colour slots 0 to 9; any other index gives black.
  unsigned long GetColor(int index) const;
  /// The X connection's descriptor, to wait on with poll(); -1 without one.
  int GetDisplayFD() const;

  ///@{
  /// The new font stays the caller's. A font the application made stays
  /// alive until the application goes: windows may still hold it.
  void SetFont(QFont *font);
  void SetFixedFont(QFont *font);
  ///@}
  /// Makes "helvetica" 12 and "fixed" 13 unless there is a proportional font
  /// already (nonzero) or no shell (0); the fixed font's result.
  int CreateFonts();
  ///@{
  /// The windows given stay the caller's; those the application made stay
  /// alive until it goes.
  void SetShell(QShell *newShell);
  void SetBC(QBC *newBC);
  ///@}
  /// The string table of a file of keyed entries in groups; the load's
  /// result.
  bool SetLanguage(const char *file);
  /// Runs the first FX manager's effects to their end and repaints what
  /// they left marked (for at most kMaxSettleFrames frames).
  void SyncFX();
  /// Marks every graphic element of the BC for repaint.
  void InvalidateGels();

  ///@{
  /// What the application made or was given; null for what it hasn't.
  QDisplay *GetDisplay() const { return display.get(); }
  QWindowManager *GetWindowManager() override { return windowManager.get(); }
  QShell *GetShell() override { return shell; }
  QBC *GetBC() const { return bc; }
  QStateManager *GetStateManager() const { return stateManager.get(); }
  QFont *GetFont() override { return font; }
  QFont *GetFixedFont() const { return fixedFont; }
  ///@}
  /// One of the three FX managers (the first steps the BC's gels), or null.
  QFXManager *GetFXManager(int index) const;
  /// The BC's gel list, or null without a BC.
  QGelList *GetGelList() const { return gels.get(); }
  /// The string table (empty until SetLanguage()).
  QLanguage *GetLanguage() const { return language.get(); }
  const QEvent *GetCurrentEvent() override { return &currentEvent; }
  void GetFullScreenMode(int *width, int *height, int *depth) override;
  ///@{
  /// The name and title given.
  const char *GetAppName() const { return appName.CStr(); }
  const char *GetTitle() const { return title.CStr(); }
  ///@}
  /// The QAppCreationFlags.
  int GetCreationFlags() const { return creationFlags; }

private:
  static constexpr int kExitCancelled = 1;
  static constexpr int kOwnsFont = 2;
  static constexpr int kOwnsFixedFont = 4;

  bool CreateShell();
  bool CreateBC();
  /// The global state and the first one, through the state manager.
  void StartStates(QState *state, QState *global);
  /// Modifier and button state, the mouse position, the key code.
  void Track(QEvent &event);
  void Screenshot(const QEvent &event);
  bool CallKeyboardHandlers(QEvent *event);
  void ReplaceFont(QFont *&slot, int ownedBit, QFont *replacement);
  /// Destroys everything the application made, in order; the application
  /// pointer is cleared.
  void Release();

  const QRect *shellRect = nullptr;
  const QRect *bcRect = nullptr;
  int creationFlags = 0;
  int runFlags = 0;
  qstring appName;
  qstring title;
  IdleProc idleProc = nullptr;
  EventProc eventProc = nullptr;
  ExitProc exitProc = nullptr;
  ScreenshotProc screenshotProc = nullptr;
  KeyboardHandler keyboardHandlers[kKeyboardHandlers] = {};
  std::unique_ptr<QDisplay> display;
  int fullScreenWidth = 640, fullScreenHeight = 480, fullScreenDepth = 32;
  std::unique_ptr<QWindowManager> windowManager;
  QFont *font = nullptr;
  QFont *fixedFont = nullptr;
  std::vector<std::unique_ptr<QFont>> replacedFonts;
  QShell *shell = nullptr;
  std::unique_ptr<QShell> ownShell;
  std::unique_ptr<QCursor> shellCursor;
  std::unique_ptr<QCursor> bcCursor;
  std::unique_ptr<QStateManager> stateManager;
  QEvent currentEvent;
  int modifiers = 0;
  int mouseX = 0, mouseY = 0;
  int buttons = 0;
  std::unique_ptr<QLanguage> language;
  QBC *bc = nullptr;
  std::unique_ptr<QBC> ownBC;
  std::unique_ptr<QFXManager> fxManagers[kFXManagers];
  std::unique_ptr<QGelList> gels;
  QAppNameHook previousNameHook = nullptr;
  bool eventsSinceIdle = false;
  bool released = false;
};

/// The application, or null when there is none.
QApp *QGetApp();
