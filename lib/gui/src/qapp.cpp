#include <kiln/qapp.h>

#include <kiln/qbc.h>
#include <kiln/qcanvas.h>
#include <kiln/qcursor.h>
#include <kiln/qfxmanager.h>
#include <kiln/qgellist.h>
#include <kiln/qdisplay.h>
#include <kiln/qexit.h>
#include <kiln/qfont.h>
#include <kiln/qglcontext.h>
#include <kiln/qlanguage.h>
#include <kiln/qshell.h>
#include <kiln/qstate.h>
#include <kiln/qstatemanager.h>
#include <kiln/qwindowmanager.h>
#include <kiln/qxdisplay.h>
#include <kiln/qxwindow.h>

#include <GL/gl.h>

#include "screenshot_file.h"

namespace {

QApp *theApp = nullptr;
QApp::ReleaseHook releaseHook = nullptr;

const char *CurrentAppName() { return theApp ? theApp->GetAppName() : nullptr; }

// Textures are made in the BC's context, or the shell's without a BC.
QCanvas *AppCanvas() {
  if (!theApp) return nullptr;
  if (QBC *bc = theApp->GetBC()) return bc->GetCanvas();
  QShell *shell = theApp->GetShell();
  return shell ? shell->GetCanvas() : nullptr;
}

// The modifier bit a key sets while it is held, 0 for other keys.
int ModifierOf(int keysym) {
  switch (keysym) {
    case 0xFFE1: case 0xFFE2: return QK_SHIFT;
    case 0xFFE3: case 0xFFE4: return QK_CONTROL;
    case 0xFFE9: case 0xFFEA: return QK_ALT;
    default: return 0;
  }
}

constexpr int kKeyF11 = 0xFFC8;
constexpr int kKeyCtrlAltF12 = QK_CONTROL | QK_ALT | 0xFFC9;

// Writes what the window shows to the next free "/tmp/<prefix>NNNNN.tga";
// the program hears of it.
void SaveScreenshot(QDraw *window, const char *prefix, const char *what, QApp::ScreenshotProc told) {
  qstring file;
  if (!kiln::gui::ReserveScreenshotFile(prefix, file)) return;
  qdbg("> Saving screenshot of %s in '%s'\n", what, file.CStr());
  if (window && window->Screenshot(file.CStr())) {
    if (told) told(file.CStr(), what);
    return;
  }
  if (!window) qdbg("> No %s present.\n", what);
  kiln::gui::RemoveScreenshotFile(file);
}

}  // namespace

QApp *QGetApp() { return theApp; }

void QApp::SetReleaseHook(ReleaseHook hook) { releaseHook = hook; }

QApp::QApp(const char *name, const char *titleText)
    : appName(name ? name : ""), title(titleText ? titleText : "Kiln"), language(std::make_unique<QLanguage>()) {
  theApp = this;
  previousNameHook = qlog_set_app_name_hook(CurrentAppName);
  QSetWindowHost(this);
  QCanvas::SetAppCanvasSource(AppCanvas);
  qdbg("QApp: new QDisplay\n");
  display = std::make_unique<QDisplay>(nullptr);
  if (!display->IsOpen()) {
    qerr("Can't open X11 display (%s)", title.CStr());
    qexit(1);
  }
  QAllocDefaultColors();
}

QApp::~QApp() { Release(); }

void QApp::Release() {
  if (released) return;
  released = true;
  if (releaseHook) releaseHook();
  ReplaceFont(font, kOwnsFont, nullptr);
  ReplaceFont(fixedFont, kOwnsFixedFont, nullptr);
  replacedFonts.clear();
  bc = nullptr;
  ownBC.reset();
  shell = nullptr;
  ownShell.reset();
  shellCursor.reset();
  stateManager.reset();
  gels.reset();
  for (auto &manager : fxManagers) manager.reset();
  bcCursor.reset();
  QEventFree();
  language.reset();
  windowManager.reset();
  QSetWindowHost(nullptr);
  QCanvas::SetAppCanvasSource(nullptr);
  qlog_set_app_name_hook(previousNameHook);
  if (theApp == this) theApp = nullptr;
  appName = "";
  display.reset();
}

void QApp::PrefWM(bool on) {
  if (on) {
    creationFlags |= QAPP_SHELL_WM;
  } else {
    creationFlags &= ~QAPP_SHELL_WM;
  }
}

bool QApp::Create() {
  if (windowManager) return true;
  QEventInit();
  windowManager = std::make_unique<QWindowManager>();
  windowManager->SetBackgroundColor(QColor(94, 94, 94, 255));
  if (!(creationFlags & QAPP_NO_SHELL) && !CreateShell()) return false;
  if (!(creationFlags & QAPP_NO_BC) && !CreateBC()) return false;
  CreateFonts();
  if (!(creationFlags & QAPP_NO_STATE_MANAGER) && shell) {
    QRect panel;
    panel.Set(45, 634, 150, 40);
    stateManager = std::make_unique<QStateManager>(shell, panel);
  }
  return true;
}

bool QApp::CreateShell() {
  QRect rect;
  if (shellRect) {
    rect.CopyFrom(*shellRect);
  } else {
    rect.Set(0, 0, 1280, 1024);
  }
  ownShell = std::make_unique<QShell>(nullptr, rect.x, rect.y, rect.width, rect.height);
  shell = ownShell.get();
  if (creationFlags & QAPP_SHELL_WM) shell->PrefWM(true);
  if (creationFlags & QAPP_SHELL_FULLSCREEN) shell->PrefFullScreen();
  if (!shell->Create()) return false;
  if (creationFlags & QAPP_SHELL_WM) shell->GetQXWindow()->SetTitle(title.CStr());
  shell->GetCanvas()->SetBackBuffer(false);
  shellCursor = std::make_unique<QCursor>(QCURSOR_ARROW);
  shell->GetQXWindow()->SetCursor(shellCursor->GetXCursor());
  CreateFonts();
  mouseX = rect.width / 2;
  mouseY = rect.height / 2;
  return true;
}

bool QApp::CreateBC() {
  if (bcRect) {
    ownBC = std::make_unique<QBC>(shell, QBC_MODE_CUSTOM, bcRect->x, bcRect->y, bcRect->width, bcRect->height);
  } else {
    ownBC = std::make_unique<QBC>(shell, QBC_MODE_768x576, 45, 45, 0, 0);
  }
  if (!ownBC->Create()) return false;
  ownBC->GetCanvas()->SetBackBuffer(true);
  bcCursor = std::make_unique<QCursor>(QCURSOR_INVISIBLE);
  ownBC->GetQXWindow()->SetCursor(bcCursor->GetXCursor());
  SetBC(ownBC.get());
  return true;
}

void QApp::Run(QState *state, QState *global) {
  StartStates(state, global);
  if (stateManager) stateManager->Paint(0);
  for (;;) ProcessEvent();
}

void QApp::RunPending(QState *state, QState *global) {
  StartStates(state, global);
  while (QEventPending()) ProcessEvent();
}

void QApp::StartStates(QState *state, QState *global) {
  if (!stateManager) return;
  stateManager->SetGlobalState(global);
  if (!state) return;
  stateManager->SetState(state);
  if (state->startProc) state->startProc(state);
}

int QApp::ProcessEvent() {
  if (!QEventPending()) {
    // What the windows drew for the events into their front buffers is
    // shown before the program idles.
    if (eventsSinceIdle && QGLContext::GetCurrent()) glFlush();
    eventsSinceIdle = false;
    if (idleProc) idleProc();
    return 2;
  }
  QEventGet(&currentEvent);
  eventsSinceIdle = true;
  Track(currentEvent);
  const int type = currentEvent.type;
  if (type == QEVENT_KEYPRESS) Screenshot(currentEvent);
  if ((type == QEVENT_KEYPRESS || type == QEVENT_KEYRELEASE) && CallKeyboardHandlers(&currentEvent)) return 0;
  if (windowManager && windowManager->DispatchEvent(&currentEvent)) return 0;
  if (eventProc && eventProc(&currentEvent)) return 0;
  if (stateManager && stateManager->HandleEvent(&currentEvent)) return 0;
  if (currentEvent.type == QEVENT_CLOSE && shell && currentEvent.window == shell) Exit(0);
  return 1;
}

void QApp::Track(QEvent &event) {
  switch (event.type) {
    case QEVENT_KEYPRESS:
    case QEVENT_KEYRELEASE: {
      const int keysym = event.n & 0xFFFF;
      if (const int modifier = ModifierOf(keysym)) {
        modifiers = event.type == QEVENT_KEYPRESS ? modifiers | modifier : modifiers & ~modifier;
      }
      // A key press a button queued carries its own modifiers.
      if (event.marker != QEVENT_BUTTON_KEY_MARKER) event.n = keysym | modifiers;
      break;
    }
    case QEVENT_BUTTONPRESS:
    case QEVENT_BUTTONRELEASE:
      // X numbers buttons up to 255; the mask has room for 0 to 31.
      if (event.n >= 0 && event.n < 32) {
        const int bit = static_cast<int>(1u << event.n);
        buttons = event.type == QEVENT_BUTTONPRESS ? buttons | bit : buttons & ~bit;
      }
      break;
    case QEVENT_MOTIONNOTIFY:
      mouseX = event.rootX;
      mouseY = event.rootY;
      break;
    default:
      break;
  }
}

void QApp::Screenshot(const QEvent &event) {
  if (event.n == kKeyF11) SaveScreenshot(shell, "ui", "UI", screenshotProc);
  if (event.n == kKeyCtrlAltF12) SaveScreenshot(bc, "bc", "BC", screenshotProc);
}

bool QApp::CallKeyboardHandlers(QEvent *event) {
  for (KeyboardHandler handler : keyboardHandlers) {
    if (handler && handler(event)) return true;
  }
  return false;
}

void QApp::Exit(int code) {
  if (exitProc) exitProc();
  if (runFlags & kExitCancelled) {
    runFlags &= ~kExitCancelled;
    return;
  }
  Release();
  qexit(code);
}

bool QApp::AddKeyboardHandler(KeyboardHandler handler) {
  for (KeyboardHandler &slot : keyboardHandlers) {
    if (!slot) {
      slot = handler;
      return true;
    }
  }
  qwarn("QApp::AddKeyboardHandler(); out of handlers");
  return false;
}

bool QApp::RemoveKeyboardHandler(KeyboardHandler handler) {
  for (KeyboardHandler &slot : keyboardHandlers) {
    if (slot == handler) {
      slot = nullptr;
      return true;
    }
  }
  qwarn("QApp::RemoveKeyboardHandler(); can't find handler (%p)", reinterpret_cast<void *>(handler));
  return false;
}

int QApp::AddTimer(int, IdleProc) {
  qerr("QApp:AddTimer() not supported on Win32/Linux");
  return 0;
}

void QApp::GetMouseXY(int *x, int *y) const {
  *x = *y = 0;
  Display *xdisplay = QGetXDisplay();
  if (!xdisplay) return;
  Window root, child;
  int rootX, rootY, windowX, windowY;
  unsigned int mask;
  if (XQueryPointer(xdisplay, RootWindow(xdisplay, 0), &root, &child, &rootX, &rootY, &windowX, &windowY, &mask)) {
    *x = rootX;
    *y = rootY;
  }
}

unsigned long QApp::GetColor(int index) const { return QGetDefaultColor(index); }

int QApp::GetDisplayFD() const {
  Display *xdisplay = display ? display->GetXDisplay() : nullptr;
  return xdisplay ? ConnectionNumber(xdisplay) : -1;
}

void QApp::ReplaceFont(QFont *&slot, int ownedBit, QFont *replacement) {
  if (slot && (runFlags & ownedBit)) replacedFonts.emplace_back(slot);
  runFlags &= ~ownedBit;
  slot = replacement;
}

void QApp::SetFont(QFont *newFont) { ReplaceFont(font, kOwnsFont, newFont); }

void QApp::SetFixedFont(QFont *newFont) { ReplaceFont(fixedFont, kOwnsFixedFont, newFont); }

int QApp::CreateFonts() {
  if (font) return 1;
  if (!shell) return 0;
  font = new QFont("helvetica", 12, 1, 0, 0);
  fixedFont = new QFont("fixed", 13, 1, 0, 0);
  runFlags |= kOwnsFont | kOwnsFixedFont;
  font->Create();
  return fixedFont->Create();
}

void QApp::SetShell(QShell *newShell) {
  shell = newShell;
  if (shell) CreateFonts();
}

void QApp::SetBC(QBC *newBC) {
  bc = newBC;
  if (!bc) {
    // Nothing is shown or painted until there is a BC again.
    for (auto &manager : fxManagers) {
      if (manager) manager->SetWindow(nullptr);
    }
    if (gels) gels->SetCanvas(nullptr);
    return;
  }
  CreateFonts();
  if (!gels) gels = std::make_unique<QGelList>();
  gels->SetCanvas(bc->GetCanvas());
  for (auto &manager : fxManagers) {
    if (!manager) manager = std::make_unique<QFXManager>();
    manager->SetWindow(bc);
  }
  fxManagers[0]->SetGelList(gels.get());
}

bool QApp::SetLanguage(const char *file) {
  language = std::make_unique<QLanguage>(file, 2);
  return language->IsLoaded();
}

void QApp::SyncFX() {
  QFXManager *manager = fxManagers[0].get();
  if (!manager) return;
  manager->RunToEnd();
  for (int frames = 0; bc && gels && gels->NeedsPaint(); ++frames) {
    if (frames == kMaxSettleFrames) {
      qwarn("QApp:SyncFX; gels still marked after %d frames; stopped", kMaxSettleFrames);
      return;
    }
    manager->Iterate(0);
  }
}

void QApp::InvalidateGels() {
  if (gels) gels->InvalidateAll();
}

QFXManager *QApp::GetFXManager(int index) const {
  return index >= 0 && index < kFXManagers ? fxManagers[index].get() : nullptr;
}

void QApp::GetFullScreenMode(int *width, int *height, int *depth) {
  *width = fullScreenWidth;
  *height = fullScreenHeight;
  *depth = fullScreenDepth;
}
