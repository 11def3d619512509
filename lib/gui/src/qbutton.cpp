#include <kiln/qbutton.h>

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qutil.h>
#include <kiln/qwindowhost.h>
#include <kiln/qwindowmanager.h>

#include <utility>

#include "button_icons.h"

QButton::QButton(QWindow *parent, const QRect &rect, const char *text)
    : QWindow(parent, rect.x, rect.y, rect.width, rect.height),
      shadowColor(40, 40, 40, 255),
      secondShadowColor(70, 70, 70, 255),
      textColor(0, 0, 0, 255),
      label(text ? text : ""),
      font(QGetWindowHost() ? QGetWindowHost()->GetFont() : nullptr) {
  SetTabOrder(-2);
  SetEventMask(11);
  Create();
}

void QButton::SetText(const char *text) {
  // The new label may be the old one's own text: copied before it goes.
  qstring copy(text ? text : "");
  label = std::move(copy);
  Invalidate();
}

void QButton::SetPassShortcut(bool pass) {
  buttonFlags = pass ? buttonFlags | QBF_PASS_SHORTCUT : buttonFlags & ~QBF_PASS_SHORTCUT;
}

void QButton::SetShortcut(int key, int value) {
  shortcut = key;
  shortcutValue = value;
}

int QButton::GetShortcut(int *value) const {
  if (value) *value = shortcutValue;
  return shortcut;
}

void QButton::SetImage(QBitMap *bitmap, const QRect &source) {
  image = bitmap;
  imageSource.CopyFrom(source);
  if (bitmap) {
    QRect all;
    all.Set(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
    imageSource.Clip(all);
  }
  SetSize(imageSource.width + 8, imageSource.height + 8);
}

void QButton::SetState(int newState) {
  if (newState == state) return;
  state = newState;
  Paint(0);
}

bool QButton::OnButtonPress(int button, int, int) {
  if (button != 1) return false;
  QWindowManager *manager = QGetWindowManager();
  if (manager) manager->SetFocus(this);
  state = RELEASED;  // repainted pressed even when it already was
  SetState(PRESSED);
  if (manager) manager->SetCapture(this);
  return true;
}

bool QButton::OnMotion(int x, int y) {
  if (state != RELEASED) SetState(Inside(x, y) ? PRESSED : PRESSED_OUTSIDE);
  return false;
}

bool QButton::OnButtonRelease(int button, int x, int y) {
  if (button != 1 || state == RELEASED) return false;
  SetState(RELEASED);
  if (QWindowManager *manager = QGetWindowManager()) manager->ReleaseCapture();
  if (Inside(x, y)) {
    QEvent click;
    click.type = eventType;
    click.window = this;
    if (eventType == QEVENT_KEYPRESS) {
      if (shortcut) {
        click.n = shortcut;
        click.marker = QEVENT_BUTTON_KEY_MARKER;
      } else {
        click.type = QEVENT_CLICK;
      }
    }
    PostEvent(click);
  }
  return true;
}

bool QButton::OnKeyPress(int key, int x, int y) {
  // A key press this button (or another) queued presses nothing.
  const QEvent *current = QGetWindowHost() ? QGetWindowHost()->GetCurrentEvent() : nullptr;
  if (current && current->marker == QEVENT_BUTTON_KEY_MARKER) return false;
  if (shortcut && key == shortcut) {
    OnButtonPress(1, x, y);
    QSleepMicro(1);
    OnButtonRelease(1, 0, 0);
    return !(buttonFlags & QBF_PASS_SHORTCUT);
  }
  return QWindow::OnKeyPress(key, x, y);
}

void QButton::Paint(int) {
  QCanvas *canvas = GetCanvas();
  if (!canvas || !IsVisible()) return;
  const bool pressed = state == PRESSED;
  if (GetTexture().name) {
    SetTextureOffset(pressed ? 1 : 0, pressed ? 1 : 0);
    PaintTexture();
    return;
  }
  const int W = GetWidth(), H = GetHeight();
  const bool shadow = !(buttonFlags & QBF_NO_SHADOW);
  int s = shadow ? 4 : 0;
  PaintBackground();
  canvas->SetColor(0, 0, 0);
  canvas->Rectfill(0, 0, W, H);
  if (shadow) PaintBackground();

  int X = 0, Y = 0;
  if (buttonFlags & QBF_FLAT) {
    canvas->SetColor(192, 192, 192);
    canvas->Rectfill(0, 0, W, H);
    s = 0;
  } else {
    if (pressed && shadow) X = Y = 1;
    canvas->Panel(X + 2, Y + 4, W - s - 4, H - s - 6, true);
    if (pressed) {
      canvas->Inline(X, Y, W - s, H - s);
    } else {
      canvas->Outline(X, Y, W - s, H - s);
    }
    QWindowManager *manager = QGetWindowManager();
    if (manager && manager->GetFocus() == this) canvas->FocusRectangle(X + 4, Y + 4, W - s - 8, H - s - 8);
    if (shadow) {
      const int shorter = pressed ? 2 : 0;
      canvas->SetColor(pressed ? secondShadowColor : shadowColor);
      canvas->Rectfill(W - s, s, 2, H - s - shorter);
      canvas->Rectfill(s, H - s, W - s - shorter, 2);
      if (!pressed) {
        canvas->SetColor(secondShadowColor);
        canvas->Rectfill(W - 2, s, 2, H - s);
        canvas->Rectfill(s, H - 2, W - s, 2);
      }
    }
  }
  PaintLabel(s, X, Y);
}

void QButton::PaintLabel(int s, int X, int Y) {
  QCanvas *canvas = GetCanvas();
  const bool pressed = state == PRESSED;
  if (image) {
    canvas->Blend(true);
    canvas->Blit(image, 2, 2, imageSource.width, imageSource.height, imageSource.x, imageSource.y, true);
    canvas->Blend(false);
    return;
  }
  if (label.IsEmpty()) return;
  if ((buttonFlags & QBF_FLAT) && pressed) {
    canvas->SetColor(255 - textColor.GetRed(), 0, 0);
  } else {
    canvas->SetColor(textColor);
  }
  const char *text = label.CStr();
  if (text[0] == '$' && kiln::gui::PaintButtonIcon(canvas, text, GetWidth(), GetHeight(), s, X, Y)) return;
  QRect place;
  place.Set(pressed ? 1 : 0, pressed ? 1 : 0, GetWidth() - s, GetHeight() - s);
  canvas->SetFont(font);
  canvas->TextML(text, place, alignment ? 2 : 3);
}
