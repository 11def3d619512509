// Text drawn in several layers, each in its own colour and offset (a shadow
// below, an outline around).
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qobject.h>

class QTextStyle : public QObject {
public:
  static constexpr int kMaxLayers = 10;

  struct Layer {
    QColor color;
    int dx = 0, dy = 0;
  };

  const char *ClassName() const override { return "QTextStyle"; }

  // False when 10 layers are held.
  bool AddLayer(const QColor &color, int dx, int dy);
  // Null outside 0 to GetLayerCount() - 1.
  const Layer *GetLayer(int index) const;
  int GetLayerCount() const { return count; }

private:
  Layer layers[kMaxLayers];
  int count = 0;
};
