#include <kiln/qfontlist.h>

#include <kiln/qdebug.h>
#include <kiln/qmemory.h>
#include <kiln/qxdisplay.h>

#include <cstring>
#include <string>

QFontList::QFontList() {
  qdbg("QFontList ctor\n");
  Display *display = QRequireXDisplay("QFontList::QFontList()");
  if (display) names = XListFonts(display, "*", 9999, &nameCount);
  qdbg("  count=%d\n", nameCount);
  for (int i = 0; i < nameCount; ++i) {
    // "-foundry-family-...": the family lies between the second and the
    // third dash; a name without it has no family.
    const char *name = names[i];
    if (name[0] != '-') continue;
    const char *start = std::strchr(name + 1, '-');
    if (!start) continue;
    ++start;
    const char *end = std::strchr(start, '-');
    const std::string familyName(start, end ? static_cast<std::size_t>(end - start) : std::strlen(start));
    bool known = false;
    for (const char *family : families) known = known || familyName == family;
    if (known) continue;
    char *copy = QStrDup(familyName.c_str());
    families.push_back(copy);
    qdbg("AddString(%s); list[%d] set (%p)\n", copy, GetCount() - 1, static_cast<void *>(copy));
  }
}

QFontList::~QFontList() {
  for (char *family : families) QFree(family);
  if (names) XFreeFontNames(names);
}

const char *QFontList::GetFamily(int index) const {
  return index >= 0 && index < GetCount() ? families[static_cast<std::size_t>(index)] : nullptr;
}
