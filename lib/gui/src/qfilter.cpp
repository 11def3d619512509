#include <kiln/qfilter.h>

#include <kiln/qapp.h>
#include <kiln/qbitmap.h>
#include <kiln/qcontrol.h>
#include <kiln/qdebug.h>
#include <kiln/qfxmanager.h>

QFilter::QFilter() : control(std::make_unique<QControl>()) {
  control->SetCallback(ControlChanged, this);
  QApp *app = QGetApp();
  QFXManager *manager = app ? app->GetFXManager(0) : nullptr;
  if (!manager) {
    qerr("QFilter; no FX manager to animate it");
    return;
  }
  manager->Add(control.get());
}

// The control leaves its manager as it goes.
QFilter::~QFilter() = default;

void QFilter::SetCallback(ChangeFn fn, void *data) {
  change = fn;
  changeData = data;
}

int QFilter::ControlChanged(QControl *, void *filter, int) {
  auto *self = static_cast<QFilter *>(filter);
  if (self->change) self->change(self, self->changeData);
  return 0;
}

int QFilter::Strength() const { return control->GetValue(); }

void QFilter::Do(QBitMap *) { qerr("QFilter::Do abstract call"); }

void QFilterBrightness::Do(QBitMap *bitmap) {
  if (bitmap) bitmap->Brightness(Strength());
}

void QFilterFade::Do(QBitMap *bitmap) {
  if (bitmap) bitmap->Fade(Strength());
}

void QFilterGray::Do(QBitMap *bitmap) {
  if (bitmap) bitmap->Gray(Strength());
}

QFilterColorize::QFilterColorize(const QColor &newColor) { SetColor(newColor); }

void QFilterColorize::SetColor(const QColor &newColor) {
  color.Set(newColor.GetRed(), newColor.GetGreen(), newColor.GetBlue(), 255);
}

void QFilterColorize::Do(QBitMap *bitmap) {
  if (bitmap) bitmap->Colorize(color, Strength());
}
