/// \file
/// Filters on 32-bit bitmaps whose strength is a control, so that the
/// application's first FX manager can animate it: whenever the control
/// reports a value, the filter's change function is called (to apply the
/// filter again, for instance).
#pragma once

#include <memory>

#include <kiln/qcolor.h>
#include <kiln/qobject.h>

class QBitMap;
class QControl;

/// A filter whose strength is its control's value. The base applies
/// nothing: its Do() reports an error.
class QFilter : public QObject {
public:
  /// Called with the filter and its data whenever the control reports.
  using ChangeFn = void (*)(QFilter *filter, void *data);

  /// The control starts at 0 and is stepped by the application's first FX
  /// manager; without one it is reported and left unregistered.
  QFilter();
  ~QFilter() override;

  const char *ClassName() const override { return "QFilter"; }
  /// The change function and its data (not owned).
  void SetCallback(ChangeFn fn, void *data);
  /// Its value is the strength used by Do().
  QControl *GetControl() const { return control.get(); }
  /// The filter applied to the bitmap in place.
  virtual void Do(QBitMap *bitmap);

protected:
  /// The control's value.
  int Strength() const;

private:
  static int ControlChanged(QControl *control, void *filter, int value);

  ChangeFn change = nullptr;
  void *changeData = nullptr;
  std::unique_ptr<QControl> control;
};

/// Brightens (strength 1 to 100) or darkens (-1 to -100) red, green and
/// blue: QBitMap::Brightness().
class QFilterBrightness : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

/// Makes alpha more transparent (1 to 100) or more opaque (-1 to -100):
/// QBitMap::Fade().
class QFilterFade : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

/// Turns red, green and blue towards their grey by the strength in percent:
/// QBitMap::Gray().
class QFilterGray : public QFilter {
public:
  void Do(QBitMap *bitmap) override;
};

/// Tints the grey of each pixel with a colour, by the strength in percent:
/// QBitMap::Colorize().
class QFilterColorize : public QFilter {
public:
  /// The colour's red, green and blue, opaque.
  explicit QFilterColorize(const QColor &color);
  /// Replaces the colour (made opaque).
  void SetColor(const QColor &color);
  void Do(QBitMap *bitmap) override;

private:
  QColor color;
};
