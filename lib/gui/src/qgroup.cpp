#include <kiln/qgroup.h>

#include <kiln/qcanvas.h>
#include <kiln/qfont.h>
#include <kiln/qwindowhost.h>

QGroup::QGroup(QWindow *parent, const QRect &rect, const char *title)
    : QWindow(parent, rect.x, rect.y, rect.width, rect.height),
      textColor(0, 0, 0, 255),
      title(title),
      font(QGetWindowHost() ? QGetWindowHost()->GetFont() : nullptr) {
  Create();
}

void QGroup::Paint(int) {
  QCanvas *canvas = GetCanvas();
  if (!canvas) return;
  // Without a font there is no title to make room for.
  const bool titled = title && font;
  const int h = titled ? static_cast<int>(font->GetHeight()) : 0;
  canvas->Outline(0, h / 2, GetWidth(), GetHeight() - h / 2);
  if (!titled) return;
  QRect behind;
  behind.Set(6, 0, static_cast<int>(font->GetWidth(title)) + 8, h);
  PaintBackground(behind);
  canvas->SetColor(textColor);
  canvas->SetFont(font);
  canvas->Text(title, 10, 0);
}
