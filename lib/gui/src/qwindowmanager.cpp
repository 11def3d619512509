#include <kiln/qwindowmanager.h>

#include <kiln/qcanvas.h>
#include <kiln/qdebug.h>
#include <kiln/qimage.h>
#include <kiln/qshell.h>
#include <kiln/qtimer.h>
#include <kiln/qutil.h>
#include <kiln/qwindow.h>
#include <kiln/qwindowhost.h>
#include <kiln/qxwindow.h>

#include <algorithm>

#include "window_hit_grid.h"

using kiln::gui::NoteWindowLayoutChange;

namespace {

constexpr int kAltF4 = 0x8FFC1;
constexpr int kCtrlAltDelete = 0xCFFFF;
constexpr int kExposureWaitMs = 2000;

bool IsKey(int type) { return type == QEVENT_KEYPRESS || type == QEVENT_KEYRELEASE; }

bool IsMouse(int type) {
  return type == QEVENT_BUTTONPRESS || type == QEVENT_BUTTONRELEASE || type == QEVENT_MOTIONNOTIFY;
}

// Input that a window may leave to its parent.
bool Bubbles(int type) {
  return (type >= QEVENT_KEYPRESS && type <= QEVENT_MOTIONNOTIFY) || type == QEVENT_DBLCLICK ||
         type == QEVENT_CLICK;
}

bool IsAncestor(const QWindow *ancestor, const QWindow *window) {
  for (const QWindow *above = window->GetParent(); above; above = above->GetParent()) {
    if (above == ancestor) return true;
  }
  return false;
}

}  // namespace

QWindowManager::QWindowManager() : backgroundColor(0, 0, 0, 255), hits(std::make_unique<kiln::gui::WindowHitGrid>()) {
  QEventSetTargets(this);
}

QWindowManager::~QWindowManager() { QEventSetTargets(nullptr); }

// --- the table ---------------------------------------------------------------

int QWindowManager::SlotOf(const QWindow *window) const {
  const int last = window ? used : slotCount;
  for (int i = 0; i < last; ++i) {
    if (slots[i] == window) return i;
  }
  return -1;
}

bool QWindowManager::IsRegistered(const QWindow *window) const { return registered.count(window) > 0; }

bool QWindowManager::AddWindow(QWindow *window) {
  if (!window || IsRegistered(window)) return true;
  if (count == slotCount) {
    qerr("WindowManager: max number of windows reached (%d)", slotCount);
    return false;
  }
  const int slot = SlotOf(nullptr);
  slots[slot] = window;
  registered.insert(window);
  used = std::max(used, slot + 1);
  ++count;
  Raise(window);
  NoteWindowLayoutChange();
  return true;
}

bool QWindowManager::RemoveWindow(QWindow *window) {
  const int slot = window ? SlotOf(window) : -1;
  if (slot < 0) {
    qdbg("  RemoveWindow: win %p was NOT found\n", static_cast<void *>(window));
    return false;
  }
  slots[slot] = nullptr;
  registered.erase(window);
  while (used > 0 && !slots[used - 1]) --used;
  --count;
  NoteWindowLayoutChange();
  if (focus == window) focus = nullptr;
  if (capture == window) capture = nullptr;
  return true;
}

void QWindowManager::Forget(QWindow *window) {
  if (IsRegistered(window)) RemoveWindow(window);
  QWindow *descendants[kMaxWindows];
  int found = 0;
  for (QWindow *other : Used()) {
    if (other && IsAncestor(window, other)) descendants[found++] = other;
  }
  for (int i = 0; i < found; ++i) {
    RemoveWindow(descendants[i]);
    QEventRemoveWindow(descendants[i]);
    // Its owner may still reach it: it must not reach back.
    if (descendants[i]->parent == window) descendants[i]->parent = nullptr;
  }
  NoteWindowLayoutChange();
}

void QWindowManager::Raise(QWindow *window) {
  const int slot = window ? SlotOf(window) : -1;
  if (slot <= 0) return;
  std::move_backward(slots, slots + slot, slots + slot + 1);
  slots[0] = window;
  NoteWindowLayoutChange();
}

QWindow *QWindowManager::GetWindow(int index) const {
  for (int i = 0; i < used; ++i) {
    if (slots[i] && index-- == 0) return slots[i];
  }
  return nullptr;
}

Window QWindowManager::XWindowOf(const QWindow *window) {
  const QXWindow *real = QWindow::GetXWindowOf(window);
  return real ? real->GetXWindow() : 0;
}

QWindow *QWindowManager::FindXWindow(Window xwindow) const {
  for (QWindow *window : Used()) {
    if (window && window->GetQXWindow() && window->GetQXWindow()->GetXWindow() == xwindow) return window;
  }
  return nullptr;
}

const kiln::gui::WindowHitGrid &QWindowManager::Hits() {
  if (!hits->IsCurrent()) hits->Build(slots, used);
  return *hits;
}

QWindow *QWindowManager::WindowAt(Window xwindow, int x, int y) { return Hits().Find(xwindow, x, y); }

QWindow *QWindowManager::WindowAtMask(int x, int y, int eventClass, Window xwindow) const {
  for (int i = used - 1; i >= 0; --i) {
    QWindow *window = slots[i];
    if (!window || !window->IsVisible() || !window->AcceptsEvents(eventClass)) continue;
    if (xwindow && XWindowOf(window) != xwindow) continue;
    const QRect &rect = window->GetRect();
    const bool inside = window->IsX() ? x >= 0 && x < rect.width && y >= 0 && y < rect.height : rect.Contains(x, y);
    if (inside) return window;
  }
  return nullptr;
}

// --- for the event queue ---------------------------------------------------------

bool QWindowManager::IsSoft(QWindow *window) { return window && !window->IsX(); }

QRect QWindowManager::GetRect(QWindow *window) {
  QRect rect;
  if (!window) return rect;
  if (window->IsX()) {
    rect.Set(0, 0, window->GetWidth(), window->GetHeight());
    return rect;
  }
  rect = window->GetRect();
  for (const QWindow *above = window->GetParent(); above && !above->IsX(); above = above->GetParent()) {
    rect.x += above->GetRect().x;
    rect.y += above->GetRect().y;
  }
  return rect;
}

bool QWindowManager::CompressesMotion(QWindow *window) { return window && window->CompressesMotion(); }

int QWindowManager::GetSoftChildren(Window xwindow, QWindow **children, int capacity) {
  int found = 0;
  for (QWindow *window : Used()) {
    if (found == capacity) break;
    if (window && !window->IsX() && XWindowOf(window) == xwindow) children[found++] = window;
  }
  return found;
}

// --- focus and capture -------------------------------------------------------------

bool QWindowManager::SetFocus(QWindow *window) {
  if (window == focus) return true;
  QEvent event;
  if (focus) {
    event.type = QEVENT_FOCUSOUT;
    event.window = focus;
    QEventPush(event);
  }
  focus = window;
  if (window) {
    event.type = QEVENT_FOCUSIN;
    event.window = window;
    QEventPush(event);
  }
  return true;
}

template <typename Better>
QWindow *QWindowManager::FocusCandidate(Better better) const {
  QWindow *best = nullptr;
  for (QWindow *window : Used()) {
    if (!window || !window->IsVisible() || !window->IsEnabled() || window->GetTabOrder() < 0) continue;
    if (!best || better(window->GetTabOrder(), best->GetTabOrder())) best = window;
  }
  return best;
}

void QWindowManager::FocusFirst() {
  if (QWindow *first = FocusCandidate([](int a, int b) { return a < b; })) SetFocus(first);
}

void QWindowManager::FocusLast() {
  if (QWindow *last = FocusCandidate([](int a, int b) { return a > b; })) SetFocus(last);
}

void QWindowManager::FocusNext() {
  const int now = focus ? focus->GetTabOrder() : -1;
  QWindow *next = FocusCandidate([now](int a, int b) { return a > now && (b <= now || a < b); });
  if (next && next->GetTabOrder() > now) SetFocus(next);
  else FocusFirst();
}

void QWindowManager::FocusPrevious() {
  const int now = focus ? focus->GetTabOrder() : -1;
  QWindow *previous = FocusCandidate([now](int a, int b) { return a < now && (b >= now || a > b); });
  if (previous && previous->GetTabOrder() < now) SetFocus(previous);
  else FocusLast();
}

// --- backgrounds ----------------------------------------------------------------------

void QWindowManager::SetBackgroundColor(const QColor &color) {
  backgroundColor.Set(color.GetRed(), color.GetGreen(), color.GetBlue(), 255);
}

bool QWindowManager::SetBackgroundImage(const char *file) {
  backgroundImage = std::make_unique<QImage>(file);
  // An image without pixels would tile for ever.
  if (!backgroundImage->IsRead() || backgroundImage->GetWidth() <= 0 || backgroundImage->GetHeight() <= 0) {
    backgroundImage.reset();
    return false;
  }
  return true;
}

void QWindowManager::PaintBackground(QWindow *window, const QRect *area) {
  QCanvas *canvas = window ? window->GetCanvas() : nullptr;
  if (!canvas || !area) return;
  if (!backgroundImage || (window->GetFlags() & QWF_NO_BACKGROUND_IMAGE)) {
    canvas->SetColor(PX_MDGRAY);
    canvas->Rectfill(*area);
    return;
  }
  const int tileWidth = backgroundImage->GetWidth(), tileHeight = backgroundImage->GetHeight();
  const int right = area->x + area->width, bottom = area->y + area->height;
  // The tiles from the one holding the area's top left corner.
  const auto first = [](int at, int size) { return at >= 0 ? at / size * size : -((size - 1 - at) / size) * size; };
  for (int y = first(area->y, tileHeight); y < bottom; y += tileHeight) {
    for (int x = first(area->x, tileWidth); x < right; x += tileWidth) {
      QRect part;
      part.Set(x, y, tileWidth, tileHeight);
      part.Clip(*area);
      if (part.IsEmpty()) continue;
      canvas->Blit(backgroundImage.get(), part.x, part.y, part.width, part.height, part.x - x, part.y - y);
    }
  }
}

void QWindowManager::RepaintAll() {
  QWindowHost *host = QGetWindowHost();
  if (QShell *shell = host ? host->GetShell() : nullptr) shell->PaintBackground();
  // From the bottom up, so that what lies on top is painted last.
  for (int i = used - 1; i >= 0; --i) {
    if (slots[i] && slots[i]->IsVisible()) slots[i]->Paint(0);
  }
}

bool QWindowManager::WaitForExposure() {
  qdbg("waitforexposure\n");
  QTimer timer;
  timer.Start();
  for (;;) {
    bool exposed = false;
    QEvent event;
    while (QEventPending()) {
      QEventGet(&event);
      exposed = exposed || event.type == QEVENT_EXPOSE;
    }
    if (exposed) return true;
    if (timer.GetMilliSeconds() >= kExposureWaitMs) {
      qwarn("QWindowManager:WaitForExposure(); no expose came within %d ms", kExposureWaitMs);
      return false;
    }
    QWaitMilli(5);
  }
}

// --- dispatch ----------------------------------------------------------------------------

bool QWindowManager::DispatchEvent(QEvent *event) {
  QWindowHost *host = QGetWindowHost();
  if (event->type == QEVENT_KEYPRESS && event->n == kAltF4) {
    event->type = QEVENT_CLOSE;
    event->window = host ? host->GetShell() : nullptr;
  } else if (event->type == QEVENT_KEYPRESS && event->n == kCtrlAltDelete) {
    if (host) host->Exit(0);
  }
  QWindow *target = event->window;
  if (!target || !IsRegistered(target)) return false;
  // Each window is offered the event once: a shortcut window that passes a
  // key on is not pressed again as its focus or target.
  QWindow *offered = nullptr;
  if (IsKey(event->type) && focus) {
    if (focus->Event(event)) return true;
    offered = focus;
  }
  if (IsMouse(event->type) && capture && capture->Event(event)) return true;
  const bool keyPress = event->type == QEVENT_KEYPRESS;
  if (keyPress && Hits().HasShortcutWindows()) {
    for (QWindow *window : Used()) {
      if (window && window != offered && window->AcceptsEvents(QWEC_SHORTCUT) &&
          window->OnKeyPress(event->n, event->x, event->y)) {
        return true;
      }
    }
  }
  // Up the chain while no one takes it; a handler may destroy its window.
  for (QWindow *window = target; window;) {
    const bool enabled = window->IsEnabled() || event->type == QEVENT_EXPOSE;
    const bool seen = window == offered || (keyPress && window->AcceptsEvents(QWEC_SHORTCUT));
    if (enabled && !seen && window->Event(event)) return true;
    if (!Bubbles(event->type) || !IsRegistered(window)) return false;
    window = window->GetParent();
  }
  return false;
}
