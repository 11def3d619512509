/// \file
/// QTextStyle, text drawn in layers.
#pragma once

#include <kiln/qcolor.h>
#include <kiln/qobject.h>

/// Text drawn in several layers, each in its own colour and offset (a shadow
/// below, an outline around).
class QTextStyle : public QObject {
public:
  /// The most layers a style holds.
  static constexpr int kMaxLayers = 10;

  /// One layer: the text drawn in a colour, moved by (dx, dy) pixels.
  struct Layer {
    QColor color;       ///< drawn in this colour
    int dx = 0;         ///< to the right, in pixels
    int dy = 0;         ///< down, in pixels
  };

  const char *ClassName() const override { return "QTextStyle"; }

  /// False when 10 layers are held.
  bool AddLayer(const QColor &color, int dx, int dy);
  /// Null outside 0 to GetLayerCount() - 1.
  const Layer *GetLayer(int index) const;
  /// The number of layers, drawn in the order they were added.
  int GetLayerCount() const { return count; }

private:
  Layer layers[kMaxLayers];
  int count = 0;
};
