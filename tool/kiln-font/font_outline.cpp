#include "font_outline.h"

#include <kiln/qbitmap.h>
#include <kiln/qimage.h>
#include <kiln/qinfo.h>

#include <algorithm>
#include <vector>

namespace kiln::font {

namespace {

struct Cell {
  std::string key;  // "chars.charN."
  int x, y, width, height;  // in the glyph image
  int outlineX = 0, outlineY = 0;
};

int PowerOfTwoAtLeast(int size) {
  int power = 1;
  while (power < size) power *= 2;
  return power;
}

}  // namespace

bool AddOutlines(const std::string &name, std::string *error) {
  const std::string dtf = name + ".dtf", tga = name + ".tga", outlineTga = name + "_outline.tga";
  QInfo description(dtf.c_str(), QINFO_QUIET);
  QImage glyphs(tga.c_str());
  if (!description.IsLoaded() || !glyphs.IsRead()) {
    *error = "can't read the baked font back";
    return false;
  }
  // The glyphs in their order, each 2 pixels larger, packed in rows as wide
  // as the glyph image, a pixel apart.
  std::vector<Cell> cells;
  const QInfoNode *chars = description.FindNode("chars");
  int x = 0, y = 0, rowHeight = 0;
  for (const QInfoNode *entry = chars ? chars->child : nullptr; entry; entry = entry->next) {
    const std::string key = std::string("chars.") + entry->name + ".";
    Cell cell{key, description.GetInt((key + "x").c_str()), description.GetInt((key + "y").c_str()),
              description.GetInt((key + "wid").c_str()), description.GetInt((key + "hgt").c_str())};
    if (x > 0 && x + cell.width + 2 > glyphs.GetWidth()) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    cell.outlineX = x;
    cell.outlineY = y;
    x += cell.width + 3;
    rowHeight = std::max(rowHeight, cell.height + 2);
    cells.push_back(cell);
  }
  QBitMap outlines(32, glyphs.GetWidth(), PowerOfTwoAtLeast(y + rowHeight));
  for (const Cell &cell : cells) {
    QBitMap grown(32, cell.width + 2, cell.height + 2);
    grown.CopyRect(glyphs, cell.x, cell.y, cell.width, cell.height, 1, 1);
    grown.GrowShapes(0xFFFFFF);
    outlines.CopyRect(grown, 0, 0, grown.GetWidth(), grown.GetHeight(), cell.outlineX, cell.outlineY);
    description.SetInt((cell.key + "outline.x").c_str(), cell.outlineX);
    description.SetInt((cell.key + "outline.y").c_str(), cell.outlineY);
    description.SetInt((cell.key + "outline.wid").c_str(), cell.width + 2);
    description.SetInt((cell.key + "outline.hgt").c_str(), cell.height + 2);
  }
  description.SetInt("general.outline", 1);
  if (!outlines.Write(outlineTga.c_str(), QBM_FORMAT_TGA, 80) || description.Write() != 1) {
    *error = "can't write the outlines";
    return false;
  }
  return true;
}

}  // namespace kiln::font
