// kiln-font: bakes texture fonts from the X server's fonts, lists the
// server's font families, tells what a texture font holds and draws text
// with one.
#include <kiln/dtexfont.h>
#include <kiln/dtexfontlayout.h>
#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qcolor.h>
#include <kiln/qfont.h>
#include <kiln/qfontlist.h>
#include <kiln/qimage.h>
#include <kiln/qinfo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "font_bake.h"
#include "font_info.h"
#include "gl_session.h"
#include "path_names.h"
#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-font bake FAMILY SIZE OUT [options]   bake OUT.tga and OUT.dtf from an X font\n"
    "         --range FIRST-LAST   codes to bake, 0 to 255; up to three (default 32-126)\n"
    "         --texture WxH        the glyph image's size (default: the smallest power of two that fits)\n"
    "         --shrink N           each glyph made N times smaller (default 1)\n"
    "         --slant roman|italic|oblique|any, --weight medium|bold|demi|regular|any\n"
    "                              which face of the family (default roman, medium)\n"
    "         --outline            also OUT_outline.tga, every glyph grown by a pixel all round\n"
    "       kiln-font list                       the X server's font families\n"
    "       kiln-font info FONT.dtf              what the font holds; status 1 for glyphs outside\n"
    "                                            their image or over one another\n"
    "       kiln-font show FONT.dtf TEXT --screenshot PIC [--scale S]\n"
    "                                            TEXT drawn with the font, white on black, into PIC\n"
    "                                            (.tga, .jpg, .rgb)\n"
    "bake and list need an X display; show draws offscreen without one.\n";

constexpr int kMargin = 4;
// Glyphs are drawn in a window this large before they are packed.
constexpr int kBakeWindow = 512;

int Fail(const std::string &message) { return kiln::tool::Fail("kiln-font", message); }

bool ParseInt(const std::string &text, int low, int high, int *value) {
  char *end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || parsed < low || parsed > high) return false;
  *value = static_cast<int>(parsed);
  return true;
}

// "A-B" into two numbers; false unless both are whole and ordered.
bool ParsePair(const std::string &text, char separator, int low, int high, int *first, int *second) {
  const std::size_t at = text.find(separator);
  return at != std::string::npos && ParseInt(text.substr(0, at), low, high, first) &&
         ParseInt(text.substr(at + 1), low, high, second);
}

int IndexOf(const std::string &word, const std::vector<std::string> &words) {
  for (std::size_t i = 0; i < words.size(); ++i)
    if (words[i] == word) return static_cast<int>(i);
  return -1;
}

int Bake(const std::vector<std::string> &args) {
  if (args.size() < 3) return kiln::tool::Usage(kHelp);
  const std::string &family = args[0], &out = args[2];
  int size = 0, slant = 1, weight = 1;
  if (!ParseInt(args[1], 1, 1000, &size)) return Fail("the size must be 1 to 1000 (pixels)");
  kiln::font::BakeRequest request;
  bool rangesGiven = false;
  for (std::size_t i = 3; i < args.size(); ++i) {
    const std::string &option = args[i];
    const bool hasValue = i + 1 < args.size();
    if (option == "--outline") {
      request.outline = true;
    } else if (option == "--range" && hasValue) {
      kiln::font::CodeRange range;
      if (!ParsePair(args[++i], '-', 0, 255, &range.first, &range.last) || range.last < range.first)
        return Fail("a range is FIRST-LAST, codes 0 to 255, the first not above the last");
      if (!rangesGiven) request.ranges.clear();
      rangesGiven = true;
      if (request.ranges.size() == 3) return Fail("at most three ranges");
      request.ranges.push_back(range);
    } else if (option == "--texture" && hasValue) {
      if (!ParsePair(args[++i], 'x', 1, 8192, &request.texture.width, &request.texture.height))
        return Fail("the texture size is WxH, each 1 to 8192");
    } else if (option == "--shrink" && hasValue) {
      if (!ParseInt(args[++i], 1, 64, &request.shrink)) return Fail("shrink must be 1 to 64");
    } else if (option == "--slant" && hasValue) {
      if ((slant = IndexOf(args[++i], {"any", "roman", "italic", "oblique"})) < 0)
        return Fail("the slant is roman, italic, oblique or any");
    } else if (option == "--weight" && hasValue) {
      if ((weight = IndexOf(args[++i], {"any", "medium", "bold", "demi", "regular"})) < 0)
        return Fail("the weight is medium, bold, demi, regular or any");
    } else {
      return kiln::tool::Usage(kHelp);
    }
  }
  if (!kiln::tool::HasXDisplay()) return Fail("baking draws with the X server's fonts, and there is no X display");
  GLSession session(kBakeWindow, kBakeWindow);
  if (!session.IsReady()) return Fail("no OpenGL context on the X display");
  QFont font(family.c_str(), size, slant, weight);
  if (!font.Create()) return Fail("the X server has no font '" + family + "' of size " + args[1]);
  if (font.GetHeight() / request.shrink > kBakeWindow || font.GetHeight() > kBakeWindow)
    return Fail("glyphs over " + std::to_string(kBakeWindow) + " pixels can't be baked");
  if (request.texture.width == 0) {
    request.texture = kiln::font::SmallestTexture(&font, request);
    if (request.texture.width == 0) return Fail("the glyphs don't fit even a 4096 x 4096 texture");
  } else if (!kiln::font::GlyphsFit(&font, request, request.texture)) {
    const kiln::font::TextureSize smallest = kiln::font::SmallestTexture(&font, request);
    return Fail("the glyphs don't fit " + std::to_string(request.texture.width) + " x " +
                std::to_string(request.texture.height) + "; the smallest power of two they fit is " +
                std::to_string(smallest.width) + " x " + std::to_string(smallest.height));
  }
  std::string error;
  if (!kiln::font::BakeFont(&font, request, out, &error)) return Fail(error);
  int glyphs = 0;
  for (const kiln::font::CodeRange &range : request.ranges) glyphs += range.last - range.first + 1;
  std::printf("%s.dtf, %s.tga%s: %d glyphs of %s %d in %d x %d\n", out.c_str(), out.c_str(),
              request.outline ? (", " + out + "_outline.tga").c_str() : "", glyphs, family.c_str(), size,
              request.texture.width, request.texture.height);
  return 0;
}

int List() {
  if (!kiln::tool::HasXDisplay()) return Fail("the font families are the X server's, and there is no X display");
  GLSession session;
  QFontList families;
  for (int i = 0; i < families.GetCount(); ++i) std::printf("%s\n", families.GetFamily(i));
  return 0;
}

int Info(const std::string &dtf) {
  std::string error;
  if (!kiln::font::PrintFontInfo(dtf, stdout, &error)) return Fail(error);
  return 0;
}

// The picture's size for the text at the scale, with its margins: the
// pen's way as the font draws it, measured before there is a context to
// load the font in.
bool MeasureText(const std::string &name, const std::string &text, float scale, int *width, int *height) {
  const QInfo description((name + ".dtf").c_str(), QINFO_QUIET);
  const QImage glyphs((name + ".tga").c_str());
  DTexFontLayout layout;
  if (!description.IsLoaded() || !glyphs.IsRead() ||
      !layout.Read(description, name.c_str(), {glyphs.GetWidth(), glyphs.GetHeight()}))
    return false;
  float pen = 0;
  for (const unsigned char c : text) {
    if (const DTexFontGlyph *glyph = layout.Find(c)) pen += scale * static_cast<float>(glyph->advance);
  }
  const float lineHeight = layout.GetGlyphCount() > 0 ? scale * static_cast<float>(layout.GetGlyph(0)->height) : 0;
  *width = static_cast<int>(std::ceil(pen)) + 2 * kMargin;
  *height = static_cast<int>(std::ceil(lineHeight)) + 2 * kMargin;
  return true;
}

int Show(const std::vector<std::string> &args) {
  if (args.size() < 2) return kiln::tool::Usage(kHelp);
  const std::string &text = args[1];
  const std::string name = kiln::tool::LowerExtension(args[0]) == ".dtf" ? kiln::tool::WithoutExtension(args[0]) : args[0];
  std::string picture;
  float scale = 1;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--screenshot" && i + 1 < args.size()) {
      picture = args[++i];
    } else if (args[i] == "--scale" && i + 1 < args.size()) {
      scale = std::strtof(args[++i].c_str(), nullptr);
      if (!(scale > 0 && scale <= 64)) return Fail("the scale must be above 0 and at most 64");
    } else {
      return kiln::tool::Usage(kHelp);
    }
  }
  if (picture.empty()) return kiln::tool::Usage(kHelp);
  const int format = kiln::tool::ImageFormatFor(picture);
  if (format < 0) return Fail("can't write '" + picture + "': use .tga, .jpg or .rgb");
  int width = 0, height = 0;
  if (!MeasureText(name, text, scale, &width, &height))
    return Fail("can't read the font '" + name + ".dtf' with its '" + name + ".tga'");
  if (width > 8192 || height > 8192) return Fail("the picture would be over 8192 pixels");

  GLSession session(width, height);
  if (!session.IsReady()) return Fail("no OpenGL context, on an X display or offscreen");
  QCanvas *canvas = session.GetCanvas();
  if (session.OnXDisplay()) canvas->SetBackBuffer(true);
  d3UseTextureFonts();
  QFont font(name.c_str(), 0);
  if (!font.Create()) return Fail("can't load the font '" + name + "'");
  font.SetScale(scale, scale);
  canvas->Select();
  canvas->Set2D();
  canvas->SetColor(PX_BLACK);
  canvas->Rectfill(0, 0, width, height);
  canvas->SetFont(&font);
  canvas->SetColor(PX_WHITE);
  canvas->Text(text.c_str(), kMargin, kMargin);
  canvas->SetFont(nullptr);
  QBitMap shot(32, width, height);
  canvas->ReadPixels(&shot, 0, 0);
  if (!shot.Write(picture.c_str(), format, 90)) return Fail("can't write '" + picture + "'");
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (kiln::tool::IsHelpRequest(command)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (command == "bake") return Bake(args);
  if (command == "list" && args.empty()) return List();
  if (command == "info" && args.size() == 1) return Info(args[0]);
  if (command == "show") return Show(args);
  return kiln::tool::Usage(kHelp);
}
