#include "font_bake.h"

#include <kiln/dtexfont.h>
#include <kiln/qdebug.h>
#include <kiln/qfont.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "font_outline.h"
#include "path_names.h"

namespace kiln::font {

namespace {

constexpr int kSmallestSide = 16, kLargestSide = 4096;

void Discard(const char *) {}

// The baker, measuring only or writing "<name>.tga" and "<name>.dtf".
bool Create(QFont *font, const BakeRequest &request, TextureSize size, const char *name) {
  const auto range = [&request](std::size_t index) {
    return index < request.ranges.size() ? request.ranges[index] : CodeRange{0, 0};
  };
  DTexFont baker;
  return baker.Create(font, size.width, size.height, range(0).first, range(0).last, name, request.shrink,
                      static_cast<int>(request.ranges.size()), range(1).first, range(1).last, range(2).first,
                      range(2).last, name == nullptr);
}

}  // namespace

bool GlyphsFit(QFont *font, const BakeRequest &request, TextureSize size) {
  // A glyph as wide as the texture starts row after row; one taller than it
  // is cut: the measuring pass sees neither.
  for (const CodeRange &range : request.ranges) {
    for (int code = range.first; code <= range.last; ++code) {
      if (static_cast<int>(font->GetCharWidth(code)) / request.shrink + 1 >= size.width) return false;
    }
  }
  if (static_cast<int>(font->GetHeight()) / request.shrink > size.height) return false;
  // The measuring pass warns of every overflow, and of a missing font for
  // codes 128 and 164 each time: the search expects them.
  QDebugCallback warnings = qwarn_set_callback(Discard), errors = qerr_set_callback(Discard);
  const bool fits = Create(font, request, size, nullptr);
  qwarn_set_callback(warnings);
  qerr_set_callback(errors);
  return fits;
}

std::vector<TextureSize> TextureSizes() {
  std::vector<TextureSize> sizes;
  for (int width = kSmallestSide; width <= kLargestSide; width *= 2) {
    for (int height = kSmallestSide; height <= kLargestSide; height *= 2) sizes.push_back({width, height});
  }
  // By area; of the same area the squarest, then the wider.
  const auto rank = [](const TextureSize &size) {
    const long area = long{size.width} * size.height;
    const int sides = std::abs(std::ilogb(size.width) - std::ilogb(size.height));
    return std::make_tuple(area, sides, -size.width);
  };
  std::sort(sizes.begin(), sizes.end(), [&](const TextureSize &a, const TextureSize &b) { return rank(a) < rank(b); });
  return sizes;
}

TextureSize SmallestTexture(QFont *font, const BakeRequest &request) {
  for (const TextureSize &size : TextureSizes()) {
    if (GlyphsFit(font, request, size)) return size;
  }
  return {};
}

bool BakeFont(QFont *font, const BakeRequest &request, const std::string &out, std::string *error) {
  // Baked under a scratch name beside OUT, outlined, then renamed: the
  // description last, as it is what names the font.
  const std::string scratch = out + ".partial";
  const std::string parts[] = {".tga", "_outline.tga", ".dtf"};
  const auto removeScratch = [&] {
    for (const std::string &part : parts) std::remove((scratch + part).c_str());
  };
  const std::string directory = tool::DirectoryOf(out);
  if (access(directory.c_str(), W_OK) != 0) {
    *error = "can't write into '" + directory + "': " + std::strerror(errno);
    return false;
  }
  if (!Create(font, request, request.texture, scratch.c_str())) {
    removeScratch();
    *error = "can't write '" + out + ".tga' and '" + out + ".dtf'";
    return false;
  }
  if (request.outline && !AddOutlines(scratch, error)) {
    removeScratch();
    return false;
  }
  for (const std::string &part : parts) {
    if (part == "_outline.tga" && !request.outline) continue;
    if (std::rename((scratch + part).c_str(), (out + part).c_str()) != 0) {
      *error = "can't write '" + out + part + "': " + std::strerror(errno);
      removeScratch();
      return false;
    }
  }
  return true;
}

}  // namespace kiln::font
