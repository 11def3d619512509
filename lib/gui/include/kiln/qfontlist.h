// The font families the X server offers.
#pragma once

#include <vector>

#include <kiln/qobject.h>

class QFontList : public QObject {
public:
  QFontList();
  ~QFontList() override;

  const char *ClassName() const override { return "QFontList"; }

  // Null outside 0 to GetCount() - 1.
  const char *GetFamily(int index) const;
  int GetCount() const { return static_cast<int>(families.size()); }
  int GetNameCount() const { return nameCount; }

private:
  char **names = nullptr;
  int nameCount = 0;
  std::vector<char *> families;
};
