#include <kiln/dtexfontlayout.h>

#include <kiln/qdebug.h>
#include <kiln/qinfo.h>
#include <kiln/qstring.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The code that starts at the fifth character of an entry name ("char65"),
// or -1 when the name holds none in 0 to 0x10FFFF.
int CodeOfName(const char *name) {
  if (!name || std::strlen(name) < 5) return -1;
  const char *digits = name + 4;
  if (*digits < '0' || *digits > '9') return -1;
  errno = 0;
  char *end = nullptr;
  const long code = std::strtol(digits, &end, 10);
  if (errno || code > DTexFontLayout::kMaxCode) return -1;
  return static_cast<int>(code);
}

// A description stores a glyph's width less one; the largest stays as it is.
int WidthOf(int storedWidth) { return storedWidth < INT_MAX ? storedWidth + 1 : storedWidth; }

// Sums in float: a description may hold any int, and the sums may not fit one.
void SetCoordinates(DTexFontGlyph &glyph, DTexFontTextureSize texture) {
  const float width = static_cast<float>(texture.width), height = static_cast<float>(texture.height);
  const float x = static_cast<float>(glyph.x), y = static_cast<float>(glyph.y);
  glyph.s0 = x / width;
  glyph.t0 = 1.0f - (y + static_cast<float>(glyph.height)) / height;
  glyph.s1 = (x + static_cast<float>(glyph.width) - 1.5f) / width;
  glyph.t1 = 1.0f - y / height;
}

}  // namespace

void DTexFontLayout::Clear() {
  version = 1;
  minChar = maxChar = outline = 0;
  glyphs.clear();
  outlineGlyphs.clear();
  glyphCount = 0;
  rangeCount = 0;
  wideCodes = false;
  tooManyRanges = false;
}

bool DTexFontLayout::Read(const QInfo &description, const char *fontName, DTexFontTextureSize texture,
                          DTexFontTextureSize outlineTexture) {
  Clear();
  if (texture.width < 1 || texture.height < 1) return false;
  version = description.GetInt("general.version", 1);
  minChar = description.GetInt("general.minchar", 0);
  maxChar = description.GetInt("general.maxchar", 0);
  outline = description.GetInt("general.outline", 0);
  const QInfoNode *chars = description.FindNode("chars");
  const int entries = chars ? chars->childCount : 0;
  glyphs.assign(static_cast<std::size_t>(entries) + 1, DTexFontGlyph());
  const bool outlined = outline > 0 && outlineTexture.width > 0 && outlineTexture.height > 0;
  if (outlined) outlineGlyphs.assign(glyphs.size(), DTexFontGlyph());

  int entry = -1;
  for (const QInfoNode *node = chars ? chars->child : nullptr; node; node = node->next) {
    if (node->IsRemoved() || !node->name || std::strcmp(node->name, ";") == 0) continue;
    ++entry;
    const std::string key = std::string("chars.") + node->name;
    const int x = description.GetInt((key + ".x").c_str(), -1);
    if (x == -1) {
      qwarn("No X defined for texfont %s, entry %d\n", fontName, entry);
      break;
    }
    const int code = CodeOfName(node->name);
    if (code < 0) {
      qwarn("DTexFont:Load(%s); entry '%s' names no character code; skipped", fontName, node->name);
      continue;
    }
    if (!AddToRanges(code, fontName)) continue;
    DTexFontGlyph &glyph = glyphs[static_cast<std::size_t>(glyphCount)];
    glyph.code = code;
    glyph.x = x;
    glyph.y = description.GetInt((key + ".y").c_str(), 0);
    glyph.width = WidthOf(description.GetInt((key + ".wid").c_str(), 0));
    glyph.height = description.GetInt((key + ".hgt").c_str(), 0);
    if (version >= 2) {
      glyph.advance = description.GetInt((key + ".advance").c_str(), 0);
      glyph.bearingX = description.GetInt((key + ".bearingx").c_str(), 0);
    } else {
      glyph.advance = glyph.width;
    }
    if (code > 255) wideCodes = true;
    SetCoordinates(glyph, texture);
    if (outlined) {
      DTexFontGlyph &outlineGlyph = outlineGlyphs[static_cast<std::size_t>(glyphCount)];
      outlineGlyph = glyph;
      outlineGlyph.x = description.GetInt((key + ".outline.x").c_str(), -1);
      outlineGlyph.y = description.GetInt((key + ".outline.y").c_str(), -1);
      outlineGlyph.width = WidthOf(description.GetInt((key + ".outline.wid").c_str(), 0));
      outlineGlyph.height = description.GetInt((key + ".outline.hgt").c_str(), 0);
      SetCoordinates(outlineGlyph, outlineTexture);
    }
    ++glyphCount;
  }
  int firstIndex = 0;
  for (int r = 0; r < rangeCount; ++r) {
    ranges[r].firstIndex = firstIndex;
    firstIndex += ranges[r].last - ranges[r].first + 1;
  }
  return true;
}

bool DTexFontLayout::AddToRanges(int code, const char *fontName) {
  if (tooManyRanges) return false;
  if (rangeCount > 0 && code == ranges[rangeCount - 1].last + 1) {
    ranges[rangeCount - 1].last = code;
    return true;
  }
  if (rangeCount == kMaxRanges) {
    // The glyphs from here on could never be found.
    qnote("DTexFont (%s) has too many ranges", fontName);
    tooManyRanges = true;
    return false;
  }
  ranges[rangeCount].first = ranges[rangeCount].last = code;
  ++rangeCount;
  return true;
}

int DTexFontLayout::IndexOf(int code) const {
  for (int r = 0; r < rangeCount; ++r) {
    if (ranges[r].last < code) continue;
    if (code < ranges[r].first) return -1;
    const int index = code - ranges[r].first + ranges[r].firstIndex;
    return index < glyphCount ? index : -1;
  }
  return -1;
}

const DTexFontGlyph *DTexFontLayout::Find(int code) const {
  const int index = IndexOf(code);
  return index < 0 ? nullptr : &glyphs[static_cast<std::size_t>(index)];
}

const DTexFontGlyph *DTexFontLayout::FindOutline(int code) const {
  const int index = HasOutline() ? IndexOf(code) : -1;
  return index < 0 ? nullptr : &outlineGlyphs[static_cast<std::size_t>(index)];
}

bool DTexFontLayout::GetRange(int index, int *first, int *last) const {
  if (index < 0 || index >= rangeCount) return false;
  *first = ranges[index].first;
  *last = ranges[index].last;
  return true;
}

const DTexFontGlyph *DTexFontLayout::GetGlyph(int index) const {
  return index >= 0 && index < glyphCount ? &glyphs[static_cast<std::size_t>(index)] : nullptr;
}
