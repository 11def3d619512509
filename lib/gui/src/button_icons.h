// The built-in button icons, named by labels that start with "$": black
// triangles laid out in the button's size.
#pragma once

class QCanvas;

namespace kiln::gui {

// Draws the icon of the label in a button of width x height with shadow
// inset s and origin (x, y); false when the label names none.
bool PaintButtonIcon(QCanvas *canvas, const char *label, int width, int height, int s, int x, int y);

}  // namespace kiln::gui
