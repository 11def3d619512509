/// \file
/// QFontList, the X server's font families.
#pragma once

#include <vector>

#include <kiln/qobject.h>

/// The font families the X server offers.
class QFontList : public QObject {
public:
  /// Lists the server's fonts; empty, after a message, without a display.
  QFontList();
  ~QFontList() override;

  const char *ClassName() const override { return "QFontList"; }

  /// Null outside 0 to GetCount() - 1.
  const char *GetFamily(int index) const;
  /// The number of families.
  int GetCount() const { return static_cast<int>(families.size()); }
  /// The number of font names the server listed (every size and style).
  int GetNameCount() const { return nameCount; }

private:
  char **names = nullptr;
  int nameCount = 0;
  std::vector<char *> families;
};
