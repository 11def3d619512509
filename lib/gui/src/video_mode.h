// Video modes of screen 0 through the XFree86 video-mode extension, for
// full-screen windows.
#pragma once

namespace kiln::gui {

// Switches to the first mode of that size (the depth is not matched) and
// puts the viewport at the origin. False when the server has no video-mode
// extension (said once), no mode has that size, or the server refused.
bool VidModeSwitch(int width, int height, int depth);
// The size of the current mode; false without the extension.
bool VidModeCurrent(int *width, int *height);

// A full-screen window switched the mode: until Restore(), an exit through
// qexit() switches back to this size.
void VidModeRestoreAtExit(int width, int height);
// Switches back to the remembered size, if any, and forgets it.
void VidModeRestore();

}  // namespace kiln::gui
