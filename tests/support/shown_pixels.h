// What X shows in a window, read with XGetImage once OpenGL has finished:
// right after a swap too, when the front buffer reads black here.
#pragma once

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>

namespace kiln::test {

using Rgb = std::array<int, 3>;

inline Rgb Grey(int level) { return {level, level, level}; }

class ShownPixels {
public:
  ShownPixels(Display *display, Window window, int x, int y, int width, int height) : left(x), top(y) {
    glFinish();
    XSync(display, False);
    image = XGetImage(display, window, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes,
                      ZPixmap);
  }
  ~ShownPixels() {
    if (image) XDestroyImage(image);
  }
  ShownPixels(const ShownPixels &) = delete;
  ShownPixels &operator=(const ShownPixels &) = delete;

  bool IsRead() const { return image != nullptr; }
  // In the window's coordinates.
  Rgb At(int x, int y) const {
    const unsigned long pixel = XGetPixel(image, x - left, y - top);
    return {static_cast<int>((pixel >> 16) & 255), static_cast<int>((pixel >> 8) & 255),
            static_cast<int>(pixel & 255)};
  }

private:
  XImage *image = nullptr;
  int left, top;
};

inline Rgb Shown(Display *display, Window window, int x, int y) {
  return ShownPixels(display, window, x, y, 1, 1).At(x, y);
}

}  // namespace kiln::test
