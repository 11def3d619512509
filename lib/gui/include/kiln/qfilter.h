// Filters on 32-bit bitmaps whose strength is a control, so that the
// application's first FX manager can animate it: whenever the control
// reports a value, the filter's change function is called (to apply the
// filter again, for instance).
#pragma once

#include <memory>

#include <kiln/qcolor.h>
#include <kiln/qobject.h>

class QBitMap;
class QControl;

class QFilter : public QObject {
public:
  using ChangeFn = void (*)(QFilter *filter, void *data);

  // The control starts at 0 and is stepped by the application's first FX
  // manager; without one it is reported and left unregistered.
  QFilter();
  ~QFilter() override;

  const char *ClassName() const override { return "QFilter"; }
  void SetCallback(ChangeFn fn, void *data);
  // Its value is the strength used by Do().
  QControl *GetControl() const { return control.get(); }
  // The filter applied to the bitmap in place.
  virtual void Do(QBitMap *bitmap);

protected:
  int Strength() const;

private:
  static int ControlChanged(QControl *control, void *filter, int value);

  ChangeFn change = nullptr;
  void *changeData = nullptr;
  std::unique_ptr<QControl> control;
};

class QFilterBrightness : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

class QFilterFade : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

class QFilterGray : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

class QFilterColorize : public QFilter {
public:
  // The colour's red, green and blue, opaque.
  explicit QFilterColorize(const QColor &color);
  void SetColor(const QColor &color);
  void Do(QBitMap *bitmap) override;

private:
  QColor color;
};
