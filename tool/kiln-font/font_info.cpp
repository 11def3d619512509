#include "font_info.h"

#include <kiln/dtexfontlayout.h>
#include <kiln/qimage.h>
#include <kiln/qinfo.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "path_names.h"

namespace kiln::font {

namespace {

constexpr int kShownProblems = 20;

// The pixels a glyph takes in its image: the description's width less the
// one the loader adds.
struct Place {
  int code;
  long x0, y0, x1, y1;
};

Place PlaceOf(const DTexFontGlyph &glyph) {
  return {glyph.code, glyph.x, glyph.y, glyph.x + long{glyph.width} - 1, glyph.y + long{glyph.height}};
}

std::string Describe(const Place &place) {
  std::string text = "glyph " + std::to_string(place.code);
  if (place.code > 32 && place.code < 127) text += std::string(" '") + static_cast<char>(place.code) + "'";
  return text + " at (" + std::to_string(place.x0) + ", " + std::to_string(place.y0) + "), " +
         std::to_string(place.x1 - place.x0) + " x " + std::to_string(place.y1 - place.y0);
}

bool Empty(const Place &place) { return place.x1 <= place.x0 || place.y1 <= place.y0; }

// Glyphs outside the image and glyphs over one another, each problem a line.
std::vector<std::string> Problems(std::vector<Place> places, const char *image, int width, int height) {
  std::vector<std::string> problems;
  for (const Place &place : places) {
    if (!Empty(place) && (place.x0 < 0 || place.y0 < 0 || place.x1 > width || place.y1 > height))
      problems.push_back(Describe(place) + " lies outside " + image);
  }
  // Overlaps: swept from left to right, each glyph against those still open.
  places.erase(std::remove_if(places.begin(), places.end(), Empty), places.end());
  std::sort(places.begin(), places.end(), [](const Place &a, const Place &b) { return a.x0 < b.x0; });
  std::vector<const Place *> open;
  for (const Place &place : places) {
    open.erase(std::remove_if(open.begin(), open.end(), [&](const Place *o) { return o->x1 <= place.x0; }),
               open.end());
    for (const Place *other : open) {
      if (other->y0 < place.y1 && place.y0 < other->y1)
        problems.push_back(Describe(*other) + " and " + Describe(place) + " overlap in " + image);
      if (problems.size() > 1000) return problems;
    }
    open.push_back(&place);
  }
  return problems;
}

}  // namespace

bool PrintFontInfo(const std::string &dtf, FILE *out, std::string *error) {
  const std::string name = tool::LowerExtension(dtf) == ".dtf" ? tool::WithoutExtension(dtf) : dtf;
  QInfo description((name + ".dtf").c_str(), QINFO_QUIET);
  if (!description.IsLoaded()) {
    *error = "can't read '" + name + ".dtf'";
    return false;
  }
  const std::string tga = name + ".tga", outlineTga = name + "_outline.tga";
  const QImage image(tga.c_str());
  if (!image.IsRead()) {
    *error = "can't read its glyph image '" + tga + "'";
    return false;
  }
  const bool outlined = description.GetInt("general.outline") > 0;
  std::unique_ptr<QImage> outlineImage;
  if (outlined) outlineImage = std::make_unique<QImage>(outlineTga.c_str());
  const bool outlineRead = outlineImage && outlineImage->IsRead();
  DTexFontLayout layout;
  layout.Read(description, name.c_str(), {image.GetWidth(), image.GetHeight()},
              outlineRead ? DTexFontTextureSize{outlineImage->GetWidth(), outlineImage->GetHeight()}
                          : DTexFontTextureSize());

  std::fprintf(out, "%s.dtf: version %d, %d glyphs, codes", name.c_str(), layout.GetVersion(), layout.GetGlyphCount());
  for (int i = 0, first, last; layout.GetRange(i, &first, &last); ++i) std::fprintf(out, "%s %d-%d", i ? "," : "", first, last);
  std::fprintf(out, "\n  glyph image %s: %d x %d\n", tga.c_str(), image.GetWidth(), image.GetHeight());
  if (outlined) {
    if (outlineRead)
      std::fprintf(out, "  outline image %s: %d x %d\n", outlineTga.c_str(), outlineImage->GetWidth(),
                   outlineImage->GetHeight());
    else
      std::fprintf(out, "  outline image %s: can't be read (drawn without outlines)\n", outlineTga.c_str());
  }
  std::vector<Place> places, outlinePlaces;
  int tallest = 0;
  for (int i = 0; i < layout.GetGlyphCount(); ++i) {
    const DTexFontGlyph &glyph = *layout.GetGlyph(i);
    places.push_back(PlaceOf(glyph));
    tallest = std::max(tallest, glyph.height);
    if (const DTexFontGlyph *outline = layout.FindOutline(glyph.code)) outlinePlaces.push_back(PlaceOf(*outline));
  }
  const int lineHeight = layout.GetGlyphCount() > 0 ? layout.GetGlyph(0)->height : 0;
  std::fprintf(out, "  line height %d (the first glyph's), tallest glyph %d\n", lineHeight, tallest);

  std::vector<std::string> problems = Problems(places, tga.c_str(), image.GetWidth(), image.GetHeight());
  if (layout.HasOutline()) {
    for (std::string &problem : Problems(outlinePlaces, outlineTga.c_str(), outlineImage->GetWidth(),
                                         outlineImage->GetHeight()))
      problems.push_back("outline of " + problem);
  }
  for (std::size_t i = 0; i < problems.size() && i < kShownProblems; ++i) std::fprintf(out, "  %s\n", problems[i].c_str());
  if (problems.size() > kShownProblems) std::fprintf(out, "  and %zu more\n", problems.size() - kShownProblems);
  if (problems.empty()) {
    std::fputs("  every glyph lies inside its image, apart from the others\n", out);
    return true;
  }
  *error = name + ".dtf: " + std::to_string(problems.size()) + (problems.size() > 1000 ? " or more" : "") +
           " glyph problems";
  return false;
}

}  // namespace kiln::font
