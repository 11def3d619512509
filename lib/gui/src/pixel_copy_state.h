// OpenGL state for copying pixels within a window and drawing plain lines
// over them, whatever state the program left: no texturing, tests,
// blending, fog, scissor or logic op; colour and depth writable; no pixel
// zoom or transfer; back buffer for reading and drawing; pixel coordinates.
// Everything is given back when the object goes.
#pragma once

namespace kiln::gui {

class PixelCopyState {
public:
  PixelCopyState(int width, int height);
  ~PixelCopyState();
  PixelCopyState(const PixelCopyState &) = delete;
  PixelCopyState &operator=(const PixelCopyState &) = delete;
};

}  // namespace kiln::gui
