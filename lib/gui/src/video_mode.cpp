#include "video_mode.h"

#include <kiln/qdebug.h>
#include <kiln/qexit.h>
#include <kiln/qxdisplay.h>

#include <X11/Xlib.h>
#include <X11/extensions/xf86vmode.h>

namespace kiln::gui {
namespace {

constexpr int kScreen = 0;

// Asked of the server once per display with the core request, which (unlike
// the extension's own calls) prints nothing when the extension is missing.
bool HasExtension(Display *display) {
  static Display *askedOf = nullptr;
  static bool present = false;
  if (display != askedOf) {
    askedOf = display;
    int opcode, event, error;
    present = XQueryExtension(display, "XFree86-VidModeExtension", &opcode, &event, &error);
  }
  return present;
}

bool Usable(Display *display) {
  if (display && HasExtension(display)) return true;
  static bool said = false;
  if (!said) {
    said = true;
    qwarn("VidModeSwitch(); the X server has no video-mode extension; the screen keeps its mode");
  }
  return false;
}

struct Remembered {
  bool held = false;
  int width = 0, height = 0;
} remembered;

void RestoreAtExit() { VidModeRestore(); }

}  // namespace

bool VidModeCurrent(int *width, int *height) {
  Display *display = QGetXDisplay();
  if (!display || !HasExtension(display)) return false;
  int dotClock = 0;
  XF86VidModeModeLine line{};
  if (!XF86VidModeGetModeLine(display, kScreen, &dotClock, &line)) return false;
  if (line.privsize > 0) XFree(line.c_private);
  *width = line.hdisplay;
  *height = line.vdisplay;
  return true;
}

bool VidModeSwitch(int width, int height, int depth) {
  Display *display = QGetXDisplay();
  if (!Usable(display)) return false;
  XF86VidModeGamma gamma{1.0f, 1.0f, 1.0f};
  XF86VidModeGetGamma(display, kScreen, &gamma);
  qdbg("VidModeSwitch(%d,%d,dep %d,gamma %.1f)\n", width, height, depth, gamma.red);
  int count = 0;
  XF86VidModeModeInfo **modes = nullptr;
  if (!XF86VidModeGetAllModeLines(display, kScreen, &count, &modes)) return false;
  bool switched = false;
  for (int i = 0; i < count && !switched; ++i) {
    qdbg("Mode %d: %dx%d\n", i, modes[i]->hdisplay, modes[i]->vdisplay);
    if (modes[i]->hdisplay != width || modes[i]->vdisplay != height) continue;
    qdbg("Mode %d matches\n", i);
    // The request succeeds on the wire even when the server refuses the
    // mode; only the mode in force afterwards tells.
    XF86VidModeSwitchToMode(display, kScreen, modes[i]);
    XSync(display, False);
    int nowWidth = 0, nowHeight = 0;
    switched = VidModeCurrent(&nowWidth, &nowHeight) && nowWidth == width && nowHeight == height;
    if (switched) XF86VidModeSetViewPort(display, kScreen, 0, 0);
  }
  XFree(modes);
  return switched;
}

void VidModeRestoreAtExit(int width, int height) {
  remembered = {true, width, height};
  qexit_add_hook(RestoreAtExit);
}

void VidModeRestore() {
  if (!remembered.held) return;
  remembered.held = false;
  qexit_remove_hook(RestoreAtExit);
  VidModeSwitch(remembered.width, remembered.height, 32);
  if (Display *display = QGetXDisplay()) XSync(display, False);
}

}  // namespace kiln::gui
